// Where the program looks for the libraries it loads by name. A downloads
// folder may hold a file named like a system library, planted by a web page;
// taken from there it would run with the setup's administrator rights.
#pragma once

namespace ZUX {

// From now on libraries loaded by name come from the system folder only: not
// from the program's folder, the current folder or the PATH. Call it first
// thing, before anything else loads a library. False when the system cannot
// restrict the search (Windows 7 without its update), which then at least
// leaves out the current folder.
bool RestrictLibrarySearch();

} // namespace ZUX
