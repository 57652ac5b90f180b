// The checks a setup folder and a product folder pass before an installer is
// built from them: the script parses and has the product settings, every file
// it names is there, the language files parse and agree with English, the
// wizard's images are there, and every name is one Windows can create, once.
// Every finding of one run is listed; nothing is raised for a bad folder.
#pragma once

#include <string>
#include <vector>

namespace zivrsetup {

struct TFinding {
    bool Error = true; // else a warning
    std::string File;  // as given on the command line, joined with the name
    int Line = 0;      // 0 when the finding is about the whole file
    std::string Message;
};

std::vector<TFinding> CheckFolders(const std::string& setupDir, const std::string& productDir);

// "FILE:LINE: error: MESSAGE" (without ":LINE" when there is none).
std::string FormatFinding(const TFinding& finding);

// Why Windows cannot create a file or folder of this name, or empty.
std::string WindowsNameProblem(const std::u16string& component);

} // namespace zivrsetup
