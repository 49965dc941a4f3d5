#pragma once
// The current language of the program: the one piece of program-wide state outside the program's objects, since
// every text shown in a run is in one language. LanguageIndex is derived from LanguageName at start and changed
// only by the language switch; LanguageName is what the settings key remembers.

#include <string>

namespace localisation {

inline constexpr int LanguageEnglish = 0;
inline constexpr int LanguageSimplified = 1;
inline constexpr int LanguageTraditional = 2;

extern int LanguageIndex;
extern std::string LanguageName;

/// "English", "ChineseGB", "ChineseBIG5" for 0, 1, 2.
const char* LanguageNameOf(int index);
/// Exact, byte-for-byte match; anything else (other letter case included) is English.
int LanguageIndexOf(const std::string& name);
/// What a language button sets first: LanguageIndex and LanguageName together.
void SelectLanguage(int index);
/// The language the settings key remembers: its name as stored (kept even when it names no language, until a
/// language button is pressed) and the language it names.
void UseSavedLanguage(const std::string& name);

} // namespace localisation
