#include "CheckCommand.h"

#include "Commands.h"
#include "ConsoleServices.h"

#include <cstdio>

namespace sonquill::cli {

int RunCheckCommand(const SoundTable &table, const CheckOptions &options, bool strict,
                    const QString &format)
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
        // JSON is UTF-8 whatever the terminal's encoding.
        const QByteArray bytes = FindingsJson(findings).toJson(QJsonDocument::Indented);
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
        std::fflush(stdout);
    } else {
        QString lines;
        for (const Finding &finding : findings)
            lines += FindingLine(finding) + QLatin1Char('\n');
        printOut(lines);
    }
    printErr(FindingsSummary(findings) + QLatin1Char('\n'));
    return CheckExitCode(findings, strict);
}

} // namespace sonquill::cli
