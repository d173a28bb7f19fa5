#pragma once

// The target and names that the engine's OnSettingChanged and OnSettingChangeFailed events
// carry for the core's own settings that are not values of its section (those go by the
// value's name).
namespace setting_name {
constexpr wchar_t kCore[] = L"Core";
constexpr wchar_t kPrinter[] = L"Printer";
constexpr wchar_t kAutosave[] = L"Autosave";
constexpr wchar_t kIdentity[] = L"Identity";
} // namespace setting_name
