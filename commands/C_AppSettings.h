#pragma once
// The application's one settings store, opened the same way by every reader and writer.

#include <QSettings>

class C_AppSettings {
public:
    // Organisation and application both "Veilmark": HKEY_CURRENT_USER\Software\Veilmark\Veilmark
    // on Windows, the per-user settings file elsewhere.
    static QSettings Open();
};
