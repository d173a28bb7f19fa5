#pragma once
#include "cfg_data.h"
#include "cfg_plugins.h"

// The core section's values, their kinds and which of them clients reach by name
// (IQLX::value). Declared once when the engine is created: every value fresh, `changed` clear.
void DeclareCoreSchema(CfgData& core);

// The values a printer starts from; set at every printer change before its stored
// configuration is loaded over them, so that what the printer does not store keeps its
// default. RPrinterSettings becomes an empty array with no file. Announces nothing and leaves
// `changed` clear; the exposed flags stay as declared.
void SetCoreDefaults(CfgData& core);

// For a printer without a stored configuration: every plug-in that has an object resets itself
// to its own defaults, which its section takes over. No section counts as changed afterwards.
void InitPluginConfigs(CfgPlugins& plugins);

// Names of the core values that other parts of the engine read (FormatPlugin and
// TransportPlugin are CfgStore's).
namespace core_setting {
constexpr wchar_t kCharset[] = L"Charset";
constexpr wchar_t kUnixEOL[] = L"UnixEOL";
constexpr wchar_t kPageBreak[] = L"PageBreak";
constexpr wchar_t kUnicodePrefix[] = L"UnicodePrefix";
constexpr wchar_t kRedirectPrinter[] = L"RedirectPrinter";
constexpr wchar_t kRTextFont[] = L"RTextFont";
constexpr wchar_t kRPrinterSettings[] = L"RPrinterSettings";
constexpr wchar_t kREMFTop[] = L"REMFTop";
constexpr wchar_t kREMFBottom[] = L"REMFBottom";
constexpr wchar_t kREMFLeft[] = L"REMFLeft";
constexpr wchar_t kREMFRight[] = L"REMFRight";
constexpr wchar_t kREMFCompatibility[] = L"REMFCompatibility";
constexpr wchar_t kREMFConstrain[] = L"REMFConstrain";
constexpr wchar_t kREMFMargins[] = L"REMFMargins";
constexpr wchar_t kRTextSize[] = L"RTextSize";
constexpr wchar_t kRTextWeight[] = L"RTextWeight";
} // namespace core_setting
