#include "CheckCommand.h"

#include "Commands.h"
#include "ConsoleServices.h"

namespace sonquill::cli {

int RunCheckCommand(const SoundTable &table, const CheckOptions &options, bool strict,
                    const QString &format, bool quiet)
{
    const bool json = format == QLatin1String("json");
    if (!json && format != QLatin1String("text")) {
        printErr(
            QStringLiteral("sonquill-cli: unknown format '%1'; use text or json\n").arg(format));
        return ExitUsage;
    }
    SoundFactsCache cache;
    const QList<Finding> findings = CheckCatalogue(table, options, cache);
    if (json) {
        printOutBytes(FindingsJson(findings).toJson(QJsonDocument::Indented));
    } else {
        QString lines;
        for (const Finding &finding : findings)
            lines += FindingLine(finding) + QLatin1Char('\n');
        printOut(lines);
    }
    if (!quiet)
        printErr(FindingsSummary(findings) + QLatin1Char('\n'));
    return CheckExitCode(findings, strict);
}

} // namespace sonquill::cli
