#pragma once

namespace morvane::contract {
// When argv asks for child mode, runs it and returns true with its exit code.
bool RunChildMode(int argc, char** argv, int& exitCode);
}
