// A site's plan from any bytes (a spreadsheet's export in any encoding, a record, a file that is neither): the check
// ends; every message it gives is UTF-8, for JSON takes nothing else; and a plan it accepts holds only what a reader
// can take: each row's values in range, no serial twice in any letter case, no ID twice, every door UTF-8.

#include "commission/plan.h"
#include "commission/words.h"
#include "fuzz_check.h"
#include "protocol/text.h"

#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const commission::PlanCheck check =
        commission::ParsePlan(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
    FUZZ_CHECK(check.plan.has_value() == check.errors.empty());
    for (const std::string& error : check.errors)
        FUZZ_CHECK(protocol::IsUtf8(error));
    if (!check.plan)
        return 0;
    std::set<std::string> serials;
    std::set<std::string> ids;
    for (const commission::PlanRow& row : check.plan->rows) {
        FUZZ_CHECK(!row.serial || row.serial->size() == 8);
        FUZZ_CHECK(!row.serial || serials.insert(commission::Lower(*row.serial)).second);
        FUZZ_CHECK(protocol::IsUtf8(row.door));
        for (const commission::Value& value : row.request.inOrder()) {
            const std::string text = commission::ReaderText(value);
            switch (value.setting) {
            case commission::Setting::Id:
                FUZZ_CHECK(!value.stepping && value.chosen >= 1 && value.chosen <= 99 && ids.insert(text).second);
                break;
            case commission::Setting::Keys:
                FUZZ_CHECK(value.chosen >= 0 && value.chosen <= 20);
                break;
            case commission::Setting::Parity:
                FUZZ_CHECK(text == "0" || text == "1");
                break;
            case commission::Setting::Mode:
                FUZZ_CHECK(text.size() == 3 && value.mode <= 1 && value.wiegand <= 2 && value.rs485 <= 2);
                break;
            case commission::Setting::Line:
                FUZZ_CHECK(value.chosen >= 0 && value.chosen <= 11);
                break;
            }
        }
    }
    return 0;
}
