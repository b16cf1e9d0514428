// The manual pages and the command table: each page says all that the
// program's --help says, and each command's help names exactly the options
// its parser takes.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "cli/Command.h"
#include "support/TestSupport.h"

using testsupport::RunTunemoss;

namespace {

std::string CollapseBlanks(const std::string& text) {
    std::string out;
    for (char c : text) {
        bool blank = c == ' ' || c == '\n' || c == '\t';
        if (!blank) {
            out += c;
        } else if (!out.empty() && out.back() != ' ') {
            out += ' ';
        }
    }
    return out;
}

// The page as a reader sees it, on lines long enough never to break.
std::string RenderedPage(const std::string& name) {
    auto result = testsupport::Run({"groff", "-man", "-Tascii", "-P-cbou", "-rLL=5000n", "-rcR=1",
                                    "-ww", std::string(TUNEMOSS_DOCS_DIR) + "/" + name});
    EXPECT_EQ(result.status, 0) << name;
    EXPECT_EQ(result.err, "") << name << ": groff's warnings";
    return CollapseBlanks(result.out);
}

// Every line of the help is in the page, in the help's order.
void ExpectPageSays(const std::string& page, const std::string& help, const std::string& what) {
    size_t from = 0;
    size_t start = 0;
    while (start < help.size()) {
        size_t end = help.find('\n', start);
        if (end == std::string::npos) {
            end = help.size();
        }
        std::string line = CollapseBlanks(help.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line == " ") {
            continue;
        }
        if (line.front() == ' ') {
            line.erase(0, 1);
        }
        size_t found = page.find(line, from);
        if (found == std::string::npos) {
            ADD_FAILURE() << what << ": the page does not say, after what it said before:\n  "
                          << line;
            return;
        }
        from = found + line.size();
    }
}

}  // namespace

TEST(ManPages, SayEverythingTheHelpSays) {
    const std::string tunemoss = RenderedPage("tunemoss.1");
    auto overall = RunTunemoss({"--help"});
    ASSERT_EQ(overall.status, 0);
    ExpectPageSays(tunemoss, overall.out, "tunemoss --help");
    for (const tunemoss::Command* command : tunemoss::CommandRegistry::instance().all()) {
        auto help = RunTunemoss({command->name, "--help"});
        EXPECT_EQ(help.status, 0) << command->name;
        EXPECT_NE(help.out.find("Usage: tunemoss " + command->name), std::string::npos)
            << command->name;
        ExpectPageSays(tunemoss, help.out, "tunemoss " + command->name + " --help");
    }

    auto qarv = testsupport::Run({TUNEMOSS_QARV_PATH, "--help"});
    ASSERT_EQ(qarv.status, 0);
    ExpectPageSays(RenderedPage("qarv.1"), qarv.out, "qarv --help");
}

TEST(ManPages, ProgramsGiveTheirVersionWithoutADisplay) {
    for (const std::string& program :
         {std::string(TUNEMOSS_QARV_PATH), std::string(TUNEMOSS_CLI_PATH)}) {
        auto result = testsupport::Run({"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
                                        "QT_QPA_PLATFORM", program, "--version"});
        EXPECT_EQ(result.status, 0) << program << result.err;
        std::string name = program.substr(program.rfind('/') + 1);
        EXPECT_EQ(result.out, name + " " TUNEMOSS_VERSION "\n");
    }
}

// A help that names an option the parser refuses, or leaves one out, sends
// its reader wrong; so would the manual page and the completions made from
// them.
TEST(CommandTable, HelpNamesExactlyTheOptionsTheParserTakes) {
    const std::regex optionPattern("--([a-z0-9][a-z0-9-]*)");
    for (const tunemoss::Command* command : tunemoss::CommandRegistry::instance().all()) {
        std::set<std::string> named;
        for (std::sregex_iterator it(command->help.begin(), command->help.end(), optionPattern),
             end;
             it != end; ++it) {
            named.insert((*it)[1]);
        }
        std::set<std::string> taken;
        for (const tunemoss::OptionSpec& option : command->options) {
            taken.insert(option.name);
            EXPECT_EQ(option.value == tunemoss::ValueKind::Choice, !option.choices.empty())
                << command->name << " --" << option.name;
        }
        EXPECT_EQ(named, taken) << command->name;
    }
}
