#pragma once
#include <string>
#include <vector>

// What a PostScript file shows, read by Ghostscript on the host. Wine starts a host program
// from CreateProcess but hands back no process to wait for, so the script renames a marker
// file when it is done and the reader waits for that marker (at most timeoutMs).

// The text of each page (txtwrite), as lines without their surrounding blanks; blank lines are
// left out. False when Ghostscript could not read the file.
bool ReadPrintedPages(const std::wstring& postScript, std::vector<std::vector<std::string>>* pages,
                      std::string* error, unsigned timeoutMs = 60000);

// The box that the marks of each page cover (bbox device), in points from the sheet's
// bottom-left corner: left, bottom, right, top.
struct MarkBox {
    double left, bottom, right, top;
};
bool ReadMarkBoxes(const std::wstring& postScript, std::vector<MarkBox>* boxes, std::string* error,
                   unsigned timeoutMs = 60000);
