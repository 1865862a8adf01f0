#include "platform/HelpViewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QUrl>

namespace {
constexpr const char* kHelpWindowName = "helpViewerWindow";
constexpr const char* kDataSubdir = "aq3310-sfp";
}  // namespace

QStringList CHelpViewer::SearchPath() {
    const QString appDir = QCoreApplication::applicationDirPath();
    QStringList dirs{appDir, QDir::cleanPath(appDir + "/../share/" + kDataSubdir)};
    for (const QString& data :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        dirs << QDir::cleanPath(data + "/" + kDataSubdir);
    }
    dirs.removeDuplicates();
    return dirs;
}

QString CHelpViewer::Locate(const QString& helpFile) {
    const QString native = QFileInfo(helpFile).completeBaseName() + ".html";
    for (const QString& dir : SearchPath()) {
        const QFileInfo candidate(QDir(dir).filePath(native));
        if (candidate.isFile() && candidate.isReadable()) {
            return candidate.absoluteFilePath();
        }
    }
    return QString();
}

QTextBrowser* CHelpViewer::ShowContents(QWidget* owner, const QString& helpFile) {
    const QString path = Locate(helpFile);
    if (path.isEmpty()) {
        QMessageBox::information(owner, QObject::tr("Help"),
                                 QObject::tr("Cannot find the help file %1.").arg(helpFile));
        return nullptr;
    }
    auto* browser = owner != nullptr ? owner->findChild<QTextBrowser*>(kHelpWindowName) : nullptr;
    if (browser == nullptr) {
        browser = new QTextBrowser(owner);
        browser->setObjectName(kHelpWindowName);
        browser->setWindowFlag(Qt::Window);
        browser->setOpenExternalLinks(false);
        browser->resize(560, 520);
    }
    browser->setSource(QUrl::fromLocalFile(path));
    browser->setWindowTitle(browser->documentTitle().isEmpty() ? QObject::tr("Help")
                                                               : browser->documentTitle());
    browser->show();
    browser->raise();
    browser->activateWindow();
    return browser;
}
