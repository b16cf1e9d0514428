#include "cli/docgen/Roff.h"

#include <sstream>

namespace tunemoss::docgen {

std::string RoffText(const std::string& text) {
    std::string out;
    if (!text.empty() && (text.front() == '.' || text.front() == '\'')) {
        out = "\\&";
    }
    for (char c : text) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    return out;
}

std::string RoffTerm(const std::string& term) {
    std::istringstream words(term);
    std::string word, out;
    bool first = true;
    while (words >> word) {
        if (!first) {
            out += ' ';
        }
        bool option = first || word.front() == '-';
        out += (option ? "\\fB" : "\\fI") + RoffText(word) + "\\fR";
        first = false;
    }
    return out;
}

std::string RoffBlocks(const std::vector<HelpBlock>& blocks) {
    std::string out;
    auto addLines = [&out](const std::vector<std::string>& lines) {
        for (const std::string& line : lines) {
            out += RoffText(line) + "\n";
        }
    };
    for (const HelpBlock& block : blocks) {
        switch (block.kind) {
            case HelpBlock::Kind::Usage:
                out += ".PP\n.nf\n";
                addLines(block.lines);
                out += ".fi\n";
                break;
            case HelpBlock::Kind::Examples:
                out += ".PP\n.RS 4\n.nf\n";
                addLines(block.lines);
                out += ".fi\n.RE\n";
                break;
            case HelpBlock::Kind::Paragraph:
                out += ".PP\n";
                addLines(block.lines);
                break;
            case HelpBlock::Kind::Item:
                out += ".TP\n" + RoffTerm(block.term) + "\n";
                addLines(block.lines);
                break;
        }
    }
    return out;
}

}  // namespace tunemoss::docgen
