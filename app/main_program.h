// The application's main program; it leaves through endProgram and never returns normally.
#pragma once

namespace ondrel {

void mainProgram();

}  // namespace ondrel
