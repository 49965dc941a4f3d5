// Files under a folder named in Chinese and after a café, as installers' Windows folders are: each goes to the
// system by its wide name, whatever the ANSI code page. The plan is read, the record and the report are made
// and written there, the open record is neither replaced nor removed by another program and notices being cut
// short, and a report path naming the plan is refused. Runs in the wine prefix of scripts/check.d/30-windows.sh
// (READERCONFIG_WINE_TESTS).

#include "check.h"

#include "commission/plan.h"
#include "commission/record.h"
#include "commission/report.h"
#include "platform/files.h"

#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

/// "工地 Café" in the temporary folder, made afresh.
std::string Folder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    char utf8[4 * MAX_PATH];
    WideCharToMultiByte(CP_UTF8, 0, temp, -1, utf8, sizeof utf8, nullptr, nullptr);
    const std::string folder = std::string(utf8) + "\xE5\xB7\xA5\xE5\x9C\xB0 Caf\xC3\xA9";
    std::error_code ignored;
    std::filesystem::remove_all(platform::FsPath(folder), ignored);
    std::filesystem::create_directories(platform::FsPath(folder), ignored);
    return folder;
}

/// The file is there under its wide name: what Explorer shows.
bool ThereByWideName(const std::wstring& folderName, const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return GetFileAttributesW((std::wstring(temp) + folderName + L"\\" + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Write(const std::string& path, const std::string& text) {
    std::FILE* file = platform::OpenFile(path, "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

std::string Read(const std::string& path) {
    std::FILE* file = platform::OpenFile(path, "rb");
    if (!file)
        return "(none)";
    std::string text;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, got);
    std::fclose(file);
    return text;
}

const std::wstring FolderName = L"\u5DE5\u5730 Caf\u00E9";

} // namespace

TEST(aSiteInAUnicodeFolder) {
    const std::string folder = Folder();
    const std::string plan = folder + "\\plan.csv";
    const std::string record = folder + "\\site.csv";
    const std::string report = folder + "/site.html"; // as Qt's fields give it: shown with backslashes
    CHECK(Write(plan, "door,id\r\nFront,12\r\n"));
    CHECK(ThereByWideName(FolderName, L"plan.csv"));

    const commission::PlanCheck read = commission::ReadPlan(plan);
    CHECK(read.errors.empty());
    CHECK(read.plan.has_value());

    std::unique_ptr<commission::Record> opened;
    const commission::Failure refused =
        commission::OpenRunFiles(record, report, read.plan ? &*read.plan : nullptr, opened);
    CHECK(refused.ok());
    CHECK_EQ(commission::Say(refused.why), std::string());
    CHECK(opened != nullptr);
    CHECK(ThereByWideName(FolderName, L"site.csv"));
    CHECK(ThereByWideName(FolderName, L"site.html"));
    CHECK(!ThereByWideName(FolderName, L"site.html.tmp"));
    if (!opened)
        return;

    commission::RecordRow row;
    row.door = "Front";
    row.port = 3;
    row.info.serial = "20240003";
    row.info.id = "12";
    row.outcome = "done";
    CHECK(opened->add(row));
    // A spreadsheet's save or a sync tool: a new file renamed over the record, or the record removed. The system
    // refuses both while the record is open, so that no row goes to a file on its way out.
    const std::string saved = Read(record);
    CHECK(Write(record + ".new", saved));
    int why = 0;
    CHECK(!platform::MoveFileOver(record + ".new", record, why));
    CHECK_EQ(why, EACCES);
    CHECK(platform::RemoveFile(record + ".new"));
    CHECK(!platform::RemoveFile(record));
    row.info.serial = "20240004";
    CHECK(opened->add(row));
    CHECK_EQ(opened->error(), std::string());
    const std::string after = Read(record);
    CHECK(after.rfind(saved, 0) == 0);
    CHECK(after.find("20240004") != std::string::npos && after.find("20240004") == after.rfind("20240004"));

    // Written over in place, as an editor saves: the record is shorter than what was written, and says so.
    CHECK(Write(record, "door,time,port,line,serial,firmware,id,keys,mode,parity,outcome,code\r\n"));
    row.info.serial = "20240005";
    CHECK(!opened->add(row));
    CHECK_EQ(opened->error(), record + " was shortened by another program");
    CHECK(Read(record).find("20240005") == std::string::npos);

    // The identity of the file at the path and of the open stream are the same file's.
    std::FILE* again = platform::OpenFile(record, "rb");
    CHECK(again != nullptr);
    if (again) {
        const std::optional<platform::FileIdentity> byStream = platform::IdentityOf(again);
        const std::optional<platform::FileIdentity> byPath = platform::IdentityOf(record);
        CHECK(byStream && byPath && byStream->sameFile(*byPath));
        std::fclose(again);
    }
}

TEST(refusals) {
    const std::string folder = Folder();
    const std::string plan = folder + "\\plan.csv";
    CHECK(Write(plan, "door,id\r\nFront,12\r\n"));
    std::unique_ptr<commission::Record> opened;
    // Why the run files were refused; empty when they were not.
    const auto refusal = [&](const std::string& recordPath, const std::string& reportPath) {
        return commission::Say(commission::OpenRunFiles(recordPath, reportPath, nullptr, opened).why);
    };
    std::string error;
    // The plan named as the report: refused, shown with backslashes, and no record left behind.
    CHECK(!(error = refusal(folder + "/site.csv", folder + "/plan.csv")).empty());
    CHECK_EQ(error, folder + "\\plan.csv is not a report: choose another name");
    CHECK(!ThereByWideName(FolderName, L"site.csv"));
    CHECK_EQ(Read(plan), std::string("door,id\r\nFront,12\r\n"));
    // A report in a folder that is not there.
    CHECK(!(error = refusal(folder + "\\site.csv", folder + "\\none\\site.html")).empty());
    CHECK_EQ(error, "the report " + folder + "\\none\\site.html cannot be written: no such folder");
    CHECK(!ThereByWideName(FolderName, L"site.csv"));
    // A record that is a folder.
    CHECK(!(error = refusal(folder, "")).empty());
    CHECK_EQ(error, "the record " + folder + " cannot be written to: it is a folder");
    // A path that is not UTF-8 (the ANSI code page's bytes) is refused like a missing file, nothing thrown.
    CHECK(!(error = refusal(folder + "\\caf\xE9.csv", "")).empty());
    CHECK(error.rfind("the record ", 0) == 0);
    CHECK_EQ(platform::ShownPath("C:/Users/Jos\xC3\xA9/site.csv"), std::string("C:\\Users\\Jos\xC3\xA9\\site.csv"));
}

int main(int argc, char** argv) {
    if (!std::getenv("READERCONFIG_WINE_TESTS"))
        check::Skip("only in the wine prefix of scripts/check.d/30-windows.sh (READERCONFIG_WINE_TESTS)");
    return check::RunAll(argc, argv);
}
