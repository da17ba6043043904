// The command-line options of tevaro and tevaro-cli, one row each: the one
// source of the programs' --help, of their man pages' OPTIONS and of the Help
// window's section on the choices the window and the command line share. An
// option is added by adding its row.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace tevaro::run {

enum OptionProgram : unsigned { kForCli = 1, kForWindow = 2 };

struct OptionText {
  unsigned programs;   // kForCli, kForWindow or both
  const char* usage;   // its item in the usage lines, "[--nights N]"; null when another row's item holds it
  const char* tag;     // the option as listed: "--epochs hjd-as-ut|hjd|bjd"
  const char* text;    // what it does: plain text, one paragraph
  const char* window;  // the window's control or menu item for the same choice
  const char* topic;   // the Help window's section that lists it (with `window`); null for none
};

// Every row, in the order the listings show them.
std::span<const OptionText> OptionTexts();

// `text` broken into lines of at most `width` columns at blanks, each line
// after `indent` blanks and ending in "\n" (a word longer than a line stands alone).
std::string WrapText(const std::string& text, std::size_t indent, std::size_t width = 80);

// The --help of `program` ("tevaro" or "tevaro-cli", its rows `which`): the
// usage lines, `intro`, every row's tag and text, then `outro`.
std::string UsageText(const char* program, unsigned which, const std::string& intro, const std::string& outro);

// The man page's OPTIONS items (.TP, the tag, the text) of the rows `which`.
std::string ManOptions(unsigned which);

// A section of the Help window: its title and its text.
struct HelpTopic {
  std::string title, text;
};
// The sections the Help window adds for what the window and the command line
// share: under each topic, in the rows' order, each row's window counterpart,
// text and option; then the options file.
std::vector<HelpTopic> HelpTopics();

}  // namespace tevaro::run
