#pragma once

#include <QJsonDocument>
#include <QList>
#include <QString>

namespace sonquill {

// One thing the check found about one catalogue entry.
struct Finding
{
    enum class Severity { Error, Warning, Note };

    Severity severity = Severity::Note;
    int tableIndex = 0; // 1-based
    qint16 number = 0;
    QString name;
    QString file;
    QString message;
    QString code; // stable, for scripts: "missing-source", "number-taken", ...

    friend bool operator==(const Finding &, const Finding &) = default;
};

// "error", "warning" or "note".
QString SeverityText(Finding::Severity severity);
// "#12 Door Creak: warning: <message>".
QString FindingLine(const Finding &finding);
// "2 errors, 1 warning, 3 notes"; "No problems found" for none.
QString FindingsSummary(const QList<Finding> &findings);
// {"schema": 1, "findings": [{code, severity, number, name, path, message}], counts}, for
// scripts.
QJsonDocument FindingsJson(const QList<Finding> &findings);
// 0 when nothing is worse than a note; 1 for errors, and for warnings when strict.
int CheckExitCode(const QList<Finding> &findings, bool strict);

} // namespace sonquill
