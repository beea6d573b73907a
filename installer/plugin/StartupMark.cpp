#include "installer/plugin/StartupMark.h"

namespace setup {

bool MarkTurnsStartOff(const std::vector<unsigned char>& mark) { return !mark.empty() && (mark[0] & 1) != 0; }

}  // namespace setup
