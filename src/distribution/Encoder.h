#pragma once

#include "storage/Settings.h"

#include <QString>

namespace sonquill {

// Where the built-in encoder is: "<program folder>/oggenc2", "<program folder>/../oggenc2",
// then "oggenc" on the search path.
struct EncoderLocation
{
    bool found = false;
    QString EncoderPath; // the last candidate tried, also when none exists
};

EncoderLocation LocateEncoder(const QString &programFolder);

// The encoder's command line: the custom template with "%1" and "%2" replaced (two passes,
// nothing quoted), or the built-in form
// "\"<EncoderPath>\" \"<source>\" -o \"<destination>\" -q<Quality>", where a double quote inside
// a path is written as three, so that the split command line gives the path back unchanged.
QString BuildEncoderCommand(const OggSettings &settings, const QString &encoderPath,
                            const QString &source, const QString &destination);

// The message shown when the built-in encoder cannot be found.
QString EncoderNotFoundText();
QString EncoderNotFoundTitle();

} // namespace sonquill
