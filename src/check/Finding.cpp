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

QJsonDocument FindingsJson(const QList<Finding> &findings)
{
    QJsonArray array;
    for (const Finding &finding : findings) {
        array.append(QJsonObject{
            {QStringLiteral("number"), finding.number},
            {QStringLiteral("name"), finding.name},
            {QStringLiteral("file"), finding.file},
            {QStringLiteral("severity"), SeverityText(finding.severity)},
            {QStringLiteral("message"), finding.message},
        });
    }
    return QJsonDocument(array);
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
