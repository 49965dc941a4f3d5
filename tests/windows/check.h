#pragma once
// A small harness for the Windows test programs, which have no Qt Test here. CHECK and CHECK_EQ report a
// failure, naming the data row being run, and carry on; RunAll() runs every TEST in order (or those named on
// the command line) and returns 1 when anything failed. Skip() ends the program with 77, which ctest counts as
// skipped (SKIP_RETURN_CODE).

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace check {

struct Test {
    const char* name;
    void (*run)();
};

inline std::vector<Test>& Tests() {
    static std::vector<Test> tests;
    return tests;
}
inline int failures = 0;
inline const char* currentTest = "";
inline std::string currentRow;

struct Register {
    Register(const char* name, void (*run)()) { Tests().push_back({name, run}); }
};

/// Names the data row that the checks after it belong to, until it goes out of scope.
class Row {
public:
    explicit Row(std::string name) { currentRow = std::move(name); }
    ~Row() { currentRow.clear(); }
    Row(const Row&) = delete;
    Row& operator=(const Row&) = delete;
};

inline std::string Show(const std::string& text) {
    std::string out = "\"";
    for (const char character : text) {
        const auto c = static_cast<unsigned char>(character);
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}
inline std::string Show(const char* text) {
    return text ? Show(std::string(text)) : "nullptr";
}
template <typename T> std::string Show(const T& value) {
    std::ostringstream out;
    if constexpr (std::is_enum_v<T>)
        out << static_cast<long long>(value);
    else if constexpr (std::is_same_v<T, bool>)
        out << (value ? "true" : "false");
    else if constexpr (std::is_integral_v<T> && sizeof(T) == 1)
        out << static_cast<int>(value);
    else
        out << value;
    return out.str();
}

inline void Fail(const char* file, int line, const std::string& what) {
    ++failures;
    const char* base = std::strrchr(file, '/');
    std::printf("FAIL %s%s%s  %s:%d\n    %s\n", currentTest, currentRow.empty() ? "" : " / ", currentRow.c_str(),
                base ? base + 1 : file, line, what.c_str());
}

inline bool Report(bool ok, const char* file, int line, const char* expression) {
    if (!ok)
        Fail(file, line, expression);
    return ok;
}

template <typename A, typename E>
bool ReportEq(const A& actual, const E& expected, const char* file, int line, const char* actualText,
              const char* expectedText) {
    const bool ok = actual == expected;
    if (!ok)
        Fail(file, line,
             std::string(actualText) + " == " + expectedText + "\n    actual   " + Show(actual) + "\n    expected " +
                 Show(expected));
    return ok;
}

[[noreturn]] inline void Skip(const char* why) {
    std::printf("SKIP %s\n", why);
    std::fflush(stdout);
    std::exit(77);
}

inline int RunAll(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0); // a crash must not swallow what was reported before it
    int run = 0;
    for (const Test& test : Tests()) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i)
            wanted = wanted || std::strcmp(argv[i], test.name) == 0;
        if (!wanted)
            continue;
        currentTest = test.name;
        const int before = failures;
        test.run();
        currentRow.clear();
        std::printf("%s %s\n", failures == before ? "PASS" : "FAIL", test.name);
        ++run;
    }
    std::printf("%d tests, %d failed checks\n", run, failures);
    std::fflush(stdout);
    return failures == 0 && run > 0 ? 0 : 1;
}

} // namespace check

#define CHECK(condition) ::check::Report(static_cast<bool>(condition), __FILE__, __LINE__, #condition)
#define CHECK_EQ(actual, expected) ::check::ReportEq((actual), (expected), __FILE__, __LINE__, #actual, #expected)
#define TEST(name)                                                                                                     \
    static void name();                                                                                                \
    static const ::check::Register name##Registered(#name, name);                                                      \
    static void name()
