#include "readerctl.h"

#include "cli/arguments.h"
#include "cli/session.h"
#include "commission/plan.h"
#include "commission/record.h"
#include "commission/report.h"
#include "commission/site.h"
#include "localisation/language.h"
#include "localisation/message_table.h"
#include "platform/files.h"
#include "protocol/text.h"
#include "settings/settings.h"
#include "trace/trace_file.h"

#include <memory>

namespace cli {

namespace {

using localisation::Format;

/// A mistake on the command line or in a file it names: nothing was sent. A script that asked for JSON gets its
/// object too.
int Usage(CtlEnvironment& environment, bool json, const std::string& error) {
    Reporter::Make(json, environment)->fail(commission::Code::Usage, error);
    return CtlUsageError;
}

/// What the command runs, as the checks before a run see it: a site's plan, or settings for every reader.
commission::SiteOptions RunChecked(const CtlInvocation& call, const commission::Plan* plan) {
    commission::SiteOptions options;
    options.kind = call.command == CtlCommand::Audit   ? commission::SiteKind::Audit
                   : call.command == CtlCommand::Apply ? commission::SiteKind::Apply
                   : call.command == CtlCommand::Set   ? commission::SiteKind::Set
                                                       : commission::SiteKind::Default;
    options.request = call.settings;
    options.plan = plan;
    options.replaceDoor = call.replaceDoor;
    options.reportPath = call.reportPath;
    return options;
}

} // namespace

int RunReaderctl(const std::vector<std::string>& args, CtlEnvironment& environment) {
    // Messages in the saved language, or the one asked for (for this run only: the saved language is the
    // window's), even the complaints about the command line. A script reading JSON gets English unless it asks.
    const settings::LoadedSettings loaded = settings::LoadSettings(environment.store);
    const bool json = JsonAsked(args);
    localisation::UseSavedLanguage(loaded.LanguageName);
    if (json)
        localisation::SelectLanguage(localisation::LanguageEnglish);
    if (const std::optional<int> language = LanguageAsked(args))
        localisation::SelectLanguage(*language);

    // A file name or value that is not UTF-8 would reach JSON, the record and the report as it is.
    for (const std::string& arg : args) {
        if (!protocol::IsUtf8(arg))
            return Usage(environment, json, Format(localisation::usNotUtf8, {protocol::ShownAsUtf8(arg)}));
    }
    const CtlParse parse = ParseCtlArguments(args);
    if (!parse.invocation)
        return Usage(environment, json, parse.error);
    const CtlInvocation& call = *parse.invocation;
    if (call.command == CtlCommand::Help) {
        environment.out << call.help;
        return CtlDone;
    }
    if (call.command == CtlCommand::Version) {
        environment.out << "readerctl " << READERCONFIG_VERSION << '\n';
        return CtlDone;
    }

    // Everything the command line names is checked before any port is opened.
    std::optional<commission::Plan> plan;
    if (!call.planPath.empty()) {
        commission::PlanCheck check = commission::ReadPlan(call.planPath);
        if (!check.plan) {
            std::string errors;
            for (const std::string& error : check.errors)
                errors += (errors.empty() ? "" : "\n") + error;
            return Usage(environment, call.json, errors);
        }
        plan = std::move(check.plan);
    }
    readerlink::LinkSetup links(environment.system);
    // The trace is opened first, so that one that cannot be written refuses the run before the record or the
    // report is made; a later refusal takes back a trace file this run made.
    std::unique_ptr<trace::TraceFile> trace;
    bool traceMade = false;
    const auto refused = [&](const std::string& why) {
        trace.reset();
        if (traceMade)
            platform::RemoveFile(call.tracePath);
        return Usage(environment, call.json, why);
    };
    std::string error;
    if (!call.tracePath.empty()) {
        traceMade = platform::KindOf(call.tracePath) == platform::PathKind::None;
        trace = trace::TraceFile::Open(call.tracePath, "readerctl", environment.system, error);
        if (!trace)
            return refused(error);
        trace->onWriteError = [&environment](const std::string& path) {
            environment.err << "readerctl: " << Format(localisation::rcTraceFull, {path}) << '\n';
        };
        links.trace = trace.get();
    }
    std::unique_ptr<commission::Record> record;
    std::unique_ptr<commission::Enrolment> enrolment;
    if (!call.outPath.empty()) {
        if (const commission::Failure failure = commission::Enrolment::Open(call.outPath, call.namePrefix, enrolment);
            !failure.ok())
            return refused(commission::Say(failure.why));
    }
    if (const commission::Failure failure =
            commission::CheckRun(RunChecked(call, plan ? &*plan : nullptr), call.recordPath, record);
        !failure.ok())
        return refused(commission::Say(failure.why));

    // A port that does not open says why only here, once per reason; the result carries the reason too.
    links.openErrorReport = platform::OpenAdviceOnce(
        [&](const std::string& advice) { environment.err << "readerctl: " << advice << '\n'; });
    readerlink::Link link(links);
    operations::ReaderState reader;
    reader.Load(loaded);
    if (call.port > 0)
        reader.ComPortNo = call.port;
    if (call.lineIndex)
        reader.SelectLineSetting(*call.lineIndex);
    const std::unique_ptr<Reporter> report = Reporter::Make(call.json, environment);
    Session session{call, environment, *report, link, reader, record.get(), plan ? &*plan : nullptr, enrolment.get(),
                    {}};
    const int status = call.run(session);
    environment.out << std::flush;
    return status;
}

} // namespace cli
