#include "monitor/MonitorFiles.h"

#include <QDateTime>
#include <QFileDialog>
#include <QMessageBox>

#include "recording/RecordingFile.h"

QString DescribeStatus(ViStatus status) {
    switch (status) {
        case VI_ERROR_CONN_LOST:
            return QStringLiteral("the link to the module was lost (VI_ERROR_CONN_LOST)");
        case VI_ERROR_TMO:
            return QStringLiteral("the module did not answer in time (VI_ERROR_TMO)");
        case VI_ERROR_NSUP_OPER:
            return QStringLiteral("this module cannot be opened again (VI_ERROR_NSUP_OPER)");
        default:
            return QStringLiteral("VISA status 0x%1")
                .arg(QString::number(static_cast<unsigned>(status), 16).toUpper());
    }
}

QString WriteRecordingFile(const CRecording& recording, const QString& path,
                           const std::vector<std::string>& comments) {
    const std::string file = path.toStdString();
    VcdOptions vcd(QDateTime::currentDateTimeUtc()
                       .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"))
                       .toStdString(),
                   false);
    vcd.comments = comments;
    return QString::fromStdString(SaveRecording(recording, file, FormatOfFileName(file), vcd));
}

QString AskForFile(QWidget* parent, const QString& title, const QString& name) {
    return QFileDialog::getSaveFileName(
        parent, title, name,
        QStringLiteral("Value Change Dump (*.vcd);;Comma-separated values (*.csv)"));
}

UnsavedChoice AskAboutUnsaved(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("AQ K3310 Channel Monitor"), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setInformativeText(QStringLiteral("Save it before it is dropped?"));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
        case QMessageBox::Save:
            return UnsavedChoice::Save;
        case QMessageBox::Discard:
            return UnsavedChoice::Discard;
        default:
            return UnsavedChoice::Cancel;
    }
}
