#include "NumberRules.h"

#include "NumberReader.h"

namespace sonquill {

NumberEdit CheckNumberEdit(const SoundTable &table, qint16 ownNumber, const QString &typedText)
{
    NumberEdit edit;
    edit.number = ToInteger(typedText);
    using Verdict = NumberEdit::Verdict;
    if (edit.number > SoundTable::kHighestNumber) {
        edit.verdict = Verdict::TooHigh;
        edit.editorText = QString::number(SoundTable::kHighestNumber);
    } else if (edit.number < SoundTable::kLowestNumber) {
        edit.verdict = Verdict::TooLow;
        edit.editorText = QString::number(SoundTable::kLowestNumber);
    } else if (edit.number == ownNumber) {
        edit.verdict = Verdict::Unchanged;
    } else if (const auto holder = table.FindNumber(edit.number)) {
        edit.verdict = Verdict::Taken;
        edit.holderName = *holder;
        edit.firstFree = table.FirstFreeNumber();
        edit.editorText = QString::number(edit.firstFree);
    } else {
        edit.verdict = Verdict::Accepted;
    }
    return edit;
}

QString NumberTooHighMessage()
{
    return QStringLiteral("The highest sound number should be 999.");
}

QString NumberTooLowMessage()
{
    return QStringLiteral("The lowest sound number should be 1.");
}

QString NumberTakenMessage(const NumberEdit &edit)
{
    return QStringLiteral("The sound number %1 is already assigned to sound '%2'.\r\n"
                          "The first available number is %3.")
        .arg(QString::number(edit.number), edit.holderName, QString::number(edit.firstFree));
}

QString NumberTakenTitle()
{
    return QStringLiteral("Number Taken!");
}

} // namespace sonquill
