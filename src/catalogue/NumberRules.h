#pragma once

#include "SoundTable.h"

#include <QString>

namespace sonquill {

// The number editor's verdict on a typed number, tested in this order: range, own number,
// duplicate. The window or the command-line tool only shows the matching message.
struct NumberEdit
{
    enum class Verdict {
        Accepted,  // number becomes the entry's new number
        Unchanged, // the entry's own number: nothing to store
        TooHigh,   // above 999; put editorText ("999") back into the editor
        TooLow,    // below 1; put editorText ("1") back into the editor
        Taken,     // held by holderName; editorText is the first free number
        Locked,    // the sound is locked: its number cannot be edited
    };

    Verdict verdict = Verdict::Unchanged;
    qint16 number = 0;    // the typed text converted with ToInteger
    QString editorText;   // the text to put back into the editor after a refusal
    QString holderName;   // Taken: the name of the sound that holds the number
    qint16 firstFree = 0; // Taken: FirstFreeNumber at the time of the check
};

// Checks typedText as the new number of the entry whose current number is ownNumber.
NumberEdit CheckNumberEdit(const SoundTable &table, qint16 ownNumber, const QString &typedText);

// Texts of the refusals, exactly as the user sees them.
QString NumberTooHighMessage();
QString NumberTooLowMessage();
QString NumberTakenMessage(const NumberEdit &edit);
QString NumberTakenTitle();

} // namespace sonquill
