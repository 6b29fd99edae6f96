#pragma once

#include <QJsonArray>
#include <QList>
#include <QString>

namespace sonquill {

// One thing that went wrong in a distribution run, or that would go wrong in a planned one.
struct DistributionError
{
    enum class Code {
        NumberOutOfRange,  // the number is not 1 to 999
        NumberTaken,       // an earlier sound has the number
        NoExtension,       // the source's name gives no extension to name the copy by
        SourceUnreadable,  // the source is missing, not a file, or cannot be read
        TargetIsSource,    // the target name is another sound's source file
        EncoderNotStarted, // the encoder program could not be started
        EncoderFailed,     // the encoder failed, timed out or wrote no Ogg file
        ProcessingFailed,  // the samples could not be decoded, processed or written
        CopyFailed,        // the copy could not be written into the game folder
        NotRemoved,        // a file to be removed could not be
        ListNotWritten,    // SoundList.dat or SoundCode.txt could not be written
    };
    Code code = Code::CopyFailed;
    int tableIndex = 0; // the sound's entry (1-based); 0 for the folder's own files
    qint16 number = 0;
    QString path;   // the file concerned
    QString reason; // the description an error line shows

    // A stable name for scripts: "number-taken", "encoder-failed", ...
    QString codeName() const;
};

// [{code, number, path, message}], number null for the folder's own files.
QJsonArray DistributionErrorsJson(const QList<DistributionError> &errors);

} // namespace sonquill
