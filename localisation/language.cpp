#include "language.h"

namespace localisation {

namespace {
constexpr const char* Names[] = {"English", "ChineseGB", "ChineseBIG5"};
constexpr int NameCount = sizeof(Names) / sizeof(Names[0]);
} // namespace

int LanguageIndex = LanguageEnglish;
std::string LanguageName = Names[LanguageEnglish];

const char* LanguageNameOf(int index) {
    return index >= 0 && index < NameCount ? Names[index] : Names[LanguageEnglish];
}

int LanguageIndexOf(const std::string& name) {
    for (int i = 0; i < NameCount; ++i) {
        if (name == Names[i])
            return i;
    }
    return LanguageEnglish;
}

void SelectLanguage(int index) {
    LanguageIndex = index >= 0 && index < NameCount ? index : LanguageEnglish;
    LanguageName = Names[LanguageIndex];
}

void UseSavedLanguage(const std::string& name) {
    LanguageName = name;
    LanguageIndex = LanguageIndexOf(name);
}

} // namespace localisation
