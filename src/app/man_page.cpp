// tevaro-man-page: writes a man page from its template, putting the options'
// items of the option table in place of the template's marker line.
// usage: tevaro-man-page cli|window TEMPLATE OUTPUT
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "run/option_texts.h"

int main(int argc, char* argv[]) {
  if (argc != 4 || (std::string(argv[1]) != "cli" && std::string(argv[1]) != "window")) {
    std::cerr << "usage: tevaro-man-page cli|window TEMPLATE OUTPUT\n";
    return 2;
  }
  const unsigned which = std::string(argv[1]) == "cli" ? tevaro::run::kForCli : tevaro::run::kForWindow;
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    std::cerr << "tevaro-man-page: cannot read " << argv[2] << "\n";
    return 1;
  }
  std::ostringstream page;
  bool placed = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(".\\\" @OPTION_TABLE", 0) == 0) {
      page << tevaro::run::ManOptions(which);
      placed = true;
    } else {
      page << line << "\n";
    }
  }
  if (!placed) {
    std::cerr << "tevaro-man-page: " << argv[2] << " has no @OPTION_TABLE line\n";
    return 1;
  }
  std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
  out << page.str();
  return out.good() ? 0 : 1;
}
