#pragma once
#include <string>

// The product's folder (DriverPath of the product key under HKEY_LOCAL_MACHINE), ending in a
// backslash: the core's spool and data folders lie in it and the relay program is installed in
// it. "c:\" when the value is missing, empty, not a string or longer than 260 characters.
std::wstring ReadDriverFolder();
