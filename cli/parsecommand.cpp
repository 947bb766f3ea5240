// Placeholder until the entry parsers land.
#include "cli/commands.h"
namespace zk::cli {
int runParse(const std::vector<std::string>&) { return kExitFailed; }
}
