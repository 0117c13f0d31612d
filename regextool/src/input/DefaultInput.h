#pragma once
// What a line search reads when no path is named: standard input when it holds data someone
// sends (a pipe, a FIFO, a socket, a file redirected to it), as grep and rg read it; else
// (a terminal, a device such as /dev/null, a directory, no descriptor at all) the current
// directory, as rg decides.

namespace RegexTool {

bool InputHoldsData(int descriptor);

}  // namespace RegexTool
