#include "platform/HeadlessEnvironment.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdlib>

void PrepareHeadlessEnvironment() {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
        const QString dir = QDir::tempPath() + "/sfp-runtime-" + QString::number(getuid());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        setenv("XDG_RUNTIME_DIR", dir.toLocal8Bit().constData(), 1);
    }
}
