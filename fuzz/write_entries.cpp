// Writes the launch agent and the autostart entry for an identifier and a path given on the
// command line, so that outside validators can read what the program would write.
//   write_entries IDENTIFIER PATH AGENT_FILE ENTRY_FILE     ("-" writes to standard output)
// Status 0 when both were written; 3 when the agent was refused, 4 when the entry was, 7 when
// both were (a refused file is not written); 2 for bad use.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

#include "login/autostart_entry.h"
#include "login/launch_agent.h"

namespace {

bool Put(const std::string& file, const std::string& text) {
  if (file == "-") {
    std::cout << text << std::flush;
    return static_cast<bool>(std::cout);
  }
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: write_entries IDENTIFIER PATH AGENT_FILE ENTRY_FILE\n";
    return 2;
  }
  const std::string appId = argv[1];
  const std::string path = argv[2];
  int status = 0;
  if (const std::optional<std::string> agent = pigmora::LoginAgentText(appId, path)) {
    if (!Put(argv[3], *agent)) return 2;
  } else {
    status |= 3;
  }
  if (const std::optional<std::string> entry = pigmora::AutostartEntryText(path)) {
    if (!Put(argv[4], *entry)) return 2;
  } else {
    status |= 4;
  }
  return status;
}
