#include "Commands.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sonquill-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SONQUILL_VERSION));
    return sonquill::cli::RunCommandLine(QCoreApplication::arguments());
}
