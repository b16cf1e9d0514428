#include "cli/docgen/ManPages.h"

#include "cli/Command.h"
#include "cli/docgen/HelpText.h"
#include "cli/docgen/Roff.h"
#include "qarv/CommandLine.h"

#ifndef TUNEMOSS_VERSION
#define TUNEMOSS_VERSION "0.0.0"
#endif

namespace tunemoss::docgen {

namespace {

std::string Header(const std::string& name, const std::string& date, const std::string& what) {
    std::string upper;
    for (char c : name) {
        upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    return ".\\\" Made from the program's own help text; do not edit.\n"
           ".TH " +
           upper + " 1 \"" + date +
           "\" \"Tunemoss " TUNEMOSS_VERSION
           "\" \"User Commands\"\n"
           ".nh\n.SH NAME\n" +
           name + " \\- " + RoffText(what) + "\n";
}

// The usage lines as the synopsis, the rest as the description.
std::string SynopsisAndDescription(const std::string& help) {
    std::vector<HelpBlock> usage, rest;
    for (HelpBlock& block : ParseHelp(help)) {
        (block.kind == HelpBlock::Kind::Usage ? usage : rest).push_back(std::move(block));
    }
    return ".SH SYNOPSIS\n" + RoffBlocks(usage) + ".SH DESCRIPTION\n" + RoffBlocks(rest);
}

std::string Item(const std::string& term, const std::string& text) {
    return ".TP\n" + RoffTerm(term) + "\n" + RoffText(text) + "\n";
}

// The files both programs keep, below the folders of the XDG variables.
std::string FilesAndEnvironment(bool desktop) {
    std::string out = ".SH ENVIRONMENT\n";
    out += Item("XDG_CONFIG_HOME", "where the settings live (default ~/.config)");
    if (desktop) {
        out += Item("XDG_DATA_HOME",
                    "where the song tree and the play list live (default ~/.local/share)");
    }
    out += Item("XDG_STATE_HOME",
                "where the edit history and the undo journal live (default ~/.local/state)");
    out += ".SH FILES\n";
    out +=
        Item("$XDG_CONFIG_HOME/Tunemoss/qarv.ini",
             desktop ? "the settings"
                     : "the settings of qarv; rename and copy take their default patterns from it");
    if (desktop) {
        out += Item("$XDG_DATA_HOME/Tunemoss/default.sdf", "the song tree, a song database file");
        out += Item("$XDG_DATA_HOME/Tunemoss/qarv.pl", "the play list");
    }
    out += Item("$XDG_STATE_HOME/Tunemoss/edit-history",
                "the last 50 tag edits of tunemoss and qarv, for undo and redo");
    out += Item("$XDG_STATE_HOME/Tunemoss/journal/",
                "the old bytes of a tag written in place, until the write completes; a write cut "
                "short is undone from it when tunemoss or qarv next starts");
    return out;
}

}  // namespace

std::string TunemossManPage(const std::string& date) {
    std::string page =
        Header("tunemoss", date, "read and write the tags of music files and manage play lists");
    page += SynopsisAndDescription(OverallHelp());
    page += ".SH COMMANDS\n";
    for (const Command* command : CommandRegistry::instance().all()) {
        page += ".SS " + command->name + "\n" + RoffBlocks(ParseHelp(CommandHelp(*command)));
    }
    page += ".SH EXIT STATUS\n";
    page += Item(std::to_string(kExitOk), "every file was processed");
    page += Item(std::to_string(kExitFailure),
                 "a file failed (the message names it); the other files were still processed");
    page += Item(std::to_string(kExitUsage),
                 "a usage error: an unknown command or option, a missing or bad value");
    page += FilesAndEnvironment(false);
    page += ".SH SEE ALSO\n.BR qarv (1)\n";
    return page;
}

std::string QarvManPage(const std::string& date) {
    std::string page = Header("qarv", date, "manage, tag and play a music collection");
    page += SynopsisAndDescription(CommandLine::HelpText());
    page +=
        ".SH SIGNALS\n"
        ".PP\n"
        "SIGTERM, SIGINT and SIGHUP save the song tree and the play list, as Exit does, and "
        "end qarv.\n"
        ".SH MEDIA KEYS\n"
        ".PP\n"
        "qarv is an MPRIS2 player on the session bus (org.mpris.MediaPlayer2.qarv), so media "
        "keys, desktop widgets and\n"
        ".BR playerctl (1)\n"
        "control it.\n";
    page += FilesAndEnvironment(true);
    page += ".SH SEE ALSO\n.BR tunemoss (1)\n";
    return page;
}

}  // namespace tunemoss::docgen
