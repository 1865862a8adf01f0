#include "monitor/MonitorWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "instrument/Instrument.h"
#include "instrument/StatusReporting.h"
#include "monitor/LampsWidget.h"
#include "monitor/TimingDiagram.h"
#include "platform/native/Platform.h"
#include "recording/RecordingFile.h"
#include "recording/ServiceRequests.h"

bool ParseChannelList(const QString& text, std::vector<int>* channels) {
    std::vector<int> parsed;
    static const QRegularExpression item(QStringLiteral("^\\s*(\\d+)\\s*(?:-\\s*(\\d+)\\s*)?$"));
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QRegularExpressionMatch match = item.match(part);
        if (!match.hasMatch()) {
            return false;
        }
        const int first = match.captured(1).toInt();
        const int last = match.captured(2).isEmpty() ? first : match.captured(2).toInt();
        if (first > last || last >= kChannelCount) {
            return false;
        }
        for (int channel = first; channel <= last; ++channel) {
            parsed.push_back(channel);
        }
    }
    *channels = parsed;
    return true;
}

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

CMonitorWindow::CMonitorWindow(CInstrument& instrument, std::vector<std::string> visaNames,
                               QWidget* parent)
    : QWidget(parent, Qt::Window), m_instrument(instrument), m_live(instrument.IsLive()) {
    setObjectName(QStringLiteral("channelMonitor"));
    setWindowTitle(QStringLiteral("AQ K3310 Channel Monitor"));
    if (!m_live) {
        // The emulated instrument reads the same values for ever: nothing to show as activity.
        m_status = new QLabel(QStringLiteral("No live module is connected: the panel runs "
                                             "without one, so there is nothing to monitor."),
                              this);
    } else {
        // Offered only when the VISA library can deliver service requests at all.
        CServiceRequests probe(instrument, visaNames);
        m_onChangeOffered = probe.Available();
        if (!m_onChangeOffered) {
            m_status =
                new QLabel(QStringLiteral("On change is not offered (%1): sampling on a period.")
                               .arg(QString::fromStdString(probe.Reason())),
                           this);
        }
    }
    if (m_status == nullptr) {
        m_status = new QLabel(this);
    }
    m_status->setObjectName(QStringLiteral("status"));
    m_sampler = new CSampler(instrument, std::move(visaNames), this);

    m_run = new QPushButton(QStringLiteral("Start"), this);
    m_run->setObjectName(QStringLiteral("run"));
    m_mode = new QComboBox(this);
    m_mode->setObjectName(QStringLiteral("mode"));
    m_mode->addItem(QStringLiteral("Every"));
    m_mode->addItem(QStringLiteral("On change"));
    if (!m_onChangeOffered) {
        auto* model = qobject_cast<QStandardItemModel*>(m_mode->model());
        model->item(1)->setEnabled(false);
        model->item(1)->setToolTip(m_status->text());
    }
    m_period = new QSpinBox(this);
    m_period->setObjectName(QStringLiteral("period"));
    m_period->setRange(10, 10000);
    m_period->setValue(100);
    m_period->setSuffix(QStringLiteral(" ms"));
    m_record = new QPushButton(QStringLiteral("Record"), this);
    m_record->setObjectName(QStringLiteral("record"));
    m_save = new QPushButton(QStringLiteral("Save..."), this);
    m_save->setObjectName(QStringLiteral("save"));
    m_reconnect = new QPushButton(QStringLiteral("Reconnect"), this);
    m_reconnect->setObjectName(QStringLiteral("reconnect"));
    m_reconnect->setToolTip(QStringLiteral("Open the module's resource again after a lost link"));
    auto* whole = new QPushButton(QStringLiteral("Whole"), this);
    whole->setToolTip(QStringLiteral("Show the whole history and follow it (Home)"));
    m_channels = new QLineEdit(QStringLiteral("0-63"), this);
    m_channels->setObjectName(QStringLiteral("channels"));
    m_channels->setToolTip(QStringLiteral("Channels to trace, e.g. 0-15, 37"));

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_run);
    controls->addWidget(m_mode);
    controls->addWidget(m_period);
    controls->addWidget(m_reconnect);
    controls->addSpacing(12);
    controls->addWidget(m_record);
    controls->addWidget(m_save);
    controls->addSpacing(12);
    controls->addWidget(new QLabel(QStringLiteral("Channels:"), this));
    controls->addWidget(m_channels, 1);
    controls->addWidget(whole);

    m_lamps = new CLampsWidget(this);
    m_diagram = new CTimingDiagram(this);
    m_diagram->SetRecording(&m_history);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_lamps, 0, Qt::AlignLeft);
    layout->addWidget(m_diagram, 1);
    layout->addWidget(m_status);
    resize(760, 640);

    connect(m_sampler, &CSampler::SampleReady, this, &CMonitorWindow::AddSample);
    connect(m_sampler, &CSampler::Failed, this, &CMonitorWindow::OnFailed);
    connect(m_sampler, &CSampler::ModeChosen, this, &CMonitorWindow::OnModeChosen);
    connect(m_run, &QPushButton::clicked, this,
            [this] { m_sampling ? PauseSampling() : StartSampling(); });
    connect(m_record, &QPushButton::clicked, this,
            [this] { m_recordingOn ? StopRecording() : StartRecording(); });
    connect(m_save, &QPushButton::clicked, this, &CMonitorWindow::OnSave);
    connect(m_reconnect, &QPushButton::clicked, this, &CMonitorWindow::Reconnect);
    connect(whole, &QPushButton::clicked, m_diagram, &CTimingDiagram::ZoomToAll);
    connect(m_channels, &QLineEdit::editingFinished, this, &CMonitorWindow::OnChannelsEdited);
    auto restart = [this] {
        if (m_sampling) {
            StartSampling();
        }
    };
    connect(m_mode, qOverload<int>(&QComboBox::currentIndexChanged), this, restart);
    connect(m_period, qOverload<int>(&QSpinBox::valueChanged), this, restart);
    m_markTimer.setInterval(100);
    connect(&m_markTimer, &QTimer::timeout, this, &CMonitorWindow::OnMarkTimer);
    m_markTimer.start();
    UpdateButtons();
}

void CMonitorWindow::OnMarkTimer() {
    if (m_sampling) {
        const std::int64_t now = m_sampler->NowUs();
        m_states.AdvanceTo(now);
        m_lamps->SetStates(m_states);
        // A quiet module still moves on: its traces run up to now, a stopped link's do not.
        m_diagram->SetNowUs(now);
    }
}

CMonitorWindow::~CMonitorWindow() {
    // The worker uses the instrument; it ends before anything it could reach goes.
    m_sampler->Stop();
}

void CMonitorWindow::StartSampling() {
    if (!m_live) {
        return;
    }
    const auto mode =
        m_mode->currentIndex() == 1 ? CSampler::Mode::OnChange : CSampler::Mode::Period;
    m_sampler->Start(mode, m_period->value());
    m_sampling = true;
    UpdateButtons();
}

void CMonitorWindow::PauseSampling() {
    m_sampler->Stop();
    m_sampling = false;
    UpdateButtons();
}

void CMonitorWindow::AddSample(const Sample& sample) {
    m_states.Update(sample);
    m_lamps->SetStates(m_states);
    m_history.Append(sample);
    if (m_recordingOn) {
        m_recording.Append(sample);
    }
    m_diagram->RecordingChanged();
}

void CMonitorWindow::StartRecording() {
    if (!m_live) {
        return;
    }
    m_recording.Clear();
    m_recordingOn = true;
    m_status->setText(QStringLiteral("Recording."));
    UpdateButtons();
}

void CMonitorWindow::StopRecording() {
    m_recordingOn = false;
    m_status->setText(QStringLiteral("Recorded %1 samples, %2 changes.")
                          .arg(m_recording.SampleCount())
                          .arg(m_recording.EdgeCount()));
    UpdateButtons();
}

QString CMonitorWindow::SaveTo(const QString& path) {
    const std::string file = path.toStdString();
    const VcdOptions vcd{QDateTime::currentDateTimeUtc()
                             .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"))
                             .toStdString(),
                         true};
    const std::string error = SaveRecording(m_recording, file, FormatOfFileName(file), vcd);
    if (error.empty()) {
        m_status->setText(QStringLiteral("Saved %1.").arg(path));
        return QString();
    }
    const QString text = QString::fromStdString(error);
    m_status->setText(text);
    GetPlatform().MessageBox(error + "\nThe recording is kept: save it again elsewhere.");
    return text;
}

void CMonitorWindow::OnSave() {
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save Recording"), QStringLiteral("recording.vcd"),
        QStringLiteral("Value Change Dump (*.vcd);;Comma-separated values (*.csv)"));
    if (!path.isEmpty()) {
        SaveTo(path);
    }
}

void CMonitorWindow::OnChannelsEdited() {
    std::vector<int> channels;
    if (ParseChannelList(m_channels->text(), &channels)) {
        m_diagram->SetChannels(channels);
    } else {
        m_status->setText(
            QStringLiteral("Channels: numbers 0 to 63 and ranges like 0-15, "
                           "separated by commas."));
    }
}

void CMonitorWindow::OnFailed(ViStatus status) {
    // Once: the worker has already stopped, so no second failure follows.
    m_sampler->Stop();
    m_sampling = false;
    UpdateButtons();
    m_status->setText(QStringLiteral("Sampling stopped: %1. Reconnect opens the module again.")
                          .arg(DescribeStatus(status)));
    ReportInstrumentStatus(status, m_instrument);
}

void CMonitorWindow::Reconnect() {
    PauseSampling();
    const ViStatus status = m_instrument.Reopen();
    if (status < 0) {
        m_status->setText(QStringLiteral("Reconnect failed: %1.").arg(DescribeStatus(status)));
        return;
    }
    m_status->setText(QStringLiteral("Reconnected."));
    StartSampling();
}

void CMonitorWindow::OnModeChosen(CSampler::Mode mode, const QString& reason) {
    if (m_mode->currentIndex() == 1 && mode == CSampler::Mode::Period) {
        m_status->setText(QStringLiteral("On change is not available (%1): sampling every %2 ms.")
                              .arg(reason)
                              .arg(m_period->value()));
    } else if (mode == CSampler::Mode::OnChange) {
        m_status->setText(QStringLiteral("Sampling on change (service requests)."));
    }
}

void CMonitorWindow::UpdateButtons() {
    m_run->setEnabled(m_live);
    m_mode->setEnabled(m_live);
    m_period->setEnabled(m_live);
    m_reconnect->setEnabled(m_live && !m_sampling);
    m_record->setEnabled(m_live);
    m_run->setText(m_sampling ? QStringLiteral("Pause") : QStringLiteral("Start"));
    m_record->setText(m_recordingOn ? QStringLiteral("Stop") : QStringLiteral("Record"));
    m_save->setEnabled(!m_recordingOn && !m_recording.IsEmpty());
}

void CMonitorWindow::closeEvent(QCloseEvent* event) {
    PauseSampling();
    QWidget::closeEvent(event);
}
