// The settings file "QVL.ini": the user's last choices and a few keys only a technician
// edits. Its values live in module memory (m_Set, g_DialogSettings, the user-defined paper
// row), so the dialog can use them between the host's calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Longest value taken from a line; the rest of the line is ignored.
constexpr size_t kMaxSettingsValue = 99;

// The defaults of every value the file carries; checks the sRGB radio of an active dialog.
void SetDefaultSettings();
// Defaults first, then every key found in the file. False when there was no text to read
// (missing, empty or too large a file): the defaults stand and the paper name is kept.
bool ReadSettingsFile();
// False when the file cannot be created.
bool WriteSettingsFile();

// The value after the first occurrence of key anywhere in text: it starts one character
// after the key, whatever that character is, and ends before the line's end.
std::optional<std::string> FindSettingsValue(std::string_view text, const char* key);
// What ReadSettingsFile does with the file's text once it is read.
void ApplySettingsText(std::string_view text);
// The file's text in the order of its keys, lines ending in "\n".
std::string ComposeSettingsText();
