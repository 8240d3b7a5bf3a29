#include "contract/child_mode.h"

namespace morvane::contract {
bool RunChildMode(int, char**, int&) { return false; }
}
