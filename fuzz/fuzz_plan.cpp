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
            // In range: what the reader is sent parses back as itself.
            const commission::SettingRow& setting = commission::RowOf(value.setting);
            const std::string text = commission::ReaderText(value);
            commission::Value again;
            FUZZ_CHECK(!value.stepping && commission::ParseValue(setting, {text}, false, again).empty() &&
                       commission::Numbers(again) == commission::Numbers(value));
            FUZZ_CHECK(!setting.counts || ids.insert(text).second);
        }
    }
    return 0;
}
