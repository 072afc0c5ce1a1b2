// Ctrl-C: the signal only raises a flag; the terminal's pump sees it and
// ends the running wait the way a closing window does.
#pragma once

namespace kovex {

void InstallInterruptHandler();
bool Interrupted();

}  // namespace kovex
