#include "cli/docgen/HelpText.h"

#include <algorithm>
#include <sstream>

namespace tunemoss::docgen {

namespace {

size_t Indent(const std::string& line) {
    size_t indent = line.find_first_not_of(' ');
    return indent == std::string::npos ? line.size() : indent;
}

// "  --out PATH   writes ..." is the item "--out PATH" described as
// "writes ..."; a line of several options ("--track N  --disc N") is all term.
HelpBlock StartItem(const std::string& line) {
    HelpBlock item;
    item.kind = HelpBlock::Kind::Item;
    std::string text = line.substr(Indent(line));
    size_t gap = text.find("  ");
    size_t description =
        gap == std::string::npos ? std::string::npos : text.find_first_not_of(' ', gap);
    if (description == std::string::npos || text[description] == '-') {
        item.term = text;
    } else {
        item.term = text.substr(0, gap);
        item.lines.push_back(text.substr(description));
    }
    return item;
}

}  // namespace

std::vector<HelpBlock> ParseHelp(const std::string& text) {
    std::vector<HelpBlock> blocks;
    std::istringstream in(text);
    std::string line;
    bool inExamples = false;
    bool blockOpen = false;  // an empty line closes the block before it
    while (std::getline(in, line)) {
        size_t indent = Indent(line);
        if (indent == line.size()) {
            blockOpen = false;
            continue;
        }
        HelpBlock* last = blockOpen && !blocks.empty() ? &blocks.back() : nullptr;
        if (indent == 0) {
            inExamples = false;
        }
        if (line.rfind("Usage: ", 0) == 0) {
            blocks.push_back({HelpBlock::Kind::Usage, "", {line}});
        } else if (indent > 0 && last && last->kind == HelpBlock::Kind::Usage) {
            last->lines.push_back(line);
        } else if (line == "Examples:") {
            inExamples = true;
            blocks.push_back({HelpBlock::Kind::Paragraph, "", {line}});
            blocks.push_back({HelpBlock::Kind::Examples, "", {}});
        } else if (inExamples && indent > 0) {
            blocks.back().lines.push_back(line.substr(std::min<size_t>(indent, 2)));
        } else if (indent == 2) {
            blocks.push_back(StartItem(line));
        } else if (indent > 2 && last && last->kind == HelpBlock::Kind::Item) {
            last->lines.push_back(line.substr(indent));
        } else if (indent == 0 && last && last->kind == HelpBlock::Kind::Paragraph) {
            last->lines.push_back(line);
        } else {
            blocks.push_back({HelpBlock::Kind::Paragraph, "", {line.substr(indent)}});
        }
        blockOpen = true;
    }
    return blocks;
}

std::string OptionSummary(const std::vector<HelpBlock>& blocks, const std::string& option) {
    for (const HelpBlock& block : blocks) {
        if (block.kind != HelpBlock::Kind::Item || block.lines.empty() ||
            block.term.rfind(option, 0) != 0) {
            continue;
        }
        char after = block.term.size() > option.size() ? block.term[option.size()] : ' ';
        if (after == ' ' || after == '=' || after == ',') {
            std::string summary;
            for (const std::string& line : block.lines) {
                summary += (summary.empty() ? "" : " ") + line;
            }
            return summary;
        }
    }
    return {};
}

}  // namespace tunemoss::docgen
