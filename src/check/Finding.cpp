#include "Finding.h"

#include <QJsonArray>
#include <QJsonObject>

namespace sonquill {

QString SeverityText(Finding::Severity severity)
{
    switch (severity) {
    case Finding::Severity::Error:
        return QStringLiteral("error");
    case Finding::Severity::Warning:
        return QStringLiteral("warning");
    case Finding::Severity::Note:
        break;
    }
    return QStringLiteral("note");
}

QString FindingLine(const Finding &finding)
{
    QString line = QLatin1Char('#') + QString::number(finding.number);
    if (!finding.name.isEmpty())
        line += QLatin1Char(' ') + finding.name;
    return line + QStringLiteral(": ") + SeverityText(finding.severity) + QStringLiteral(": ") +
           finding.message;
}

QString FindingsSummary(const QList<Finding> &findings)
{
    int counts[3] = {0, 0, 0};
    for (const Finding &finding : findings)
        ++counts[int(finding.severity)];
    if (findings.isEmpty())
        return QStringLiteral("No problems found");
    const auto part = [](int count, const char *one, const char *many) {
        return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
    };
    return part(counts[0], "error", "errors") + QStringLiteral(", ") +
           part(counts[1], "warning", "warnings") + QStringLiteral(", ") +
           part(counts[2], "note", "notes");
}

QJsonDocument FindingsJson(const QList<Finding> &findings)
{
    QJsonArray array;
    int counts[3] = {0, 0, 0};
    for (const Finding &finding : findings) {
        ++counts[int(finding.severity)];
        array.append(QJsonObject{
            {QStringLiteral("code"), finding.code},
            {QStringLiteral("severity"), SeverityText(finding.severity)},
            {QStringLiteral("number"), finding.number},
            {QStringLiteral("name"), finding.name},
            {QStringLiteral("path"), finding.file},
            {QStringLiteral("message"), finding.message},
        });
    }
    return QJsonDocument(QJsonObject{
        {QStringLiteral("schema"), 1},
        {QStringLiteral("command"), QStringLiteral("check")},
        {QStringLiteral("findings"), array},
        {QStringLiteral("errors"), counts[0]},
        {QStringLiteral("warnings"), counts[1]},
        {QStringLiteral("notes"), counts[2]},
    });
}

int CheckExitCode(const QList<Finding> &findings, bool strict)
{
    for (const Finding &finding : findings) {
        if (finding.severity == Finding::Severity::Error ||
            (strict && finding.severity == Finding::Severity::Warning))
            return 1;
    }
    return 0;
}

} // namespace sonquill
