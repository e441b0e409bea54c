#include "commands/C_AppSettings.h"

QSettings C_AppSettings::Open()
{
    return QSettings(QStringLiteral("Veilmark"), QStringLiteral("Veilmark"));
}
