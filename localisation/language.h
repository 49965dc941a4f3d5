#pragma once
// The current language. LanguageIndex is derived from LanguageName at start and changed only by the
// language switch; LanguageName is what the settings key remembers.

#include <string>

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
