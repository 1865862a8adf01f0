#include "monitor/MonitorWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "instrument/Instrument.h"
#include "instrument/StatusReporting.h"
#include "monitor/LampsWidget.h"
#include "monitor/MonitorFiles.h"
#include "monitor/TimingDiagram.h"
#include "platform/native/Platform.h"
#include "recording/ChannelList.h"
#include "recording/ServiceRequests.h"

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

    m_run = new QPushButton(QStringLiteral("S&tart"), this);
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
    m_record = new QPushButton(QStringLiteral("&Record"), this);
    m_record->setObjectName(QStringLiteral("record"));
    m_save = new QPushButton(QStringLiteral("&Save..."), this);
    m_save->setObjectName(QStringLiteral("save"));
    m_save->setToolTip(QStringLiteral("Save what lay between Record and Stop"));
    m_saveHistory = new QPushButton(QStringLiteral("Save &History..."), this);
    m_saveHistory->setObjectName(QStringLiteral("saveHistory"));
    m_saveHistory->setToolTip(QStringLiteral("Save everything the diagram holds"));
    m_trigger = new QLineEdit(this);
    m_trigger->setObjectName(QStringLiteral("trigger"));
    m_trigger->setPlaceholderText(QStringLiteral("ch3=r,ch5=1"));
    m_trigger->setToolTip(QStringLiteral(
        "As sigrok-cli's: chN=r rising, f falling, e either edge, 0 or 1 level; all that are "
        "joined by commas at once. Arm records from 1 s before it."));
    m_arm = new QPushButton(QStringLiteral("&Arm"), this);
    m_arm->setObjectName(QStringLiteral("arm"));
    m_reconnect = new QPushButton(QStringLiteral("Reco&nnect"), this);
    m_reconnect->setObjectName(QStringLiteral("reconnect"));
    m_reconnect->setToolTip(QStringLiteral("Open the module's resource again after a lost link"));
    auto* whole = new QPushButton(QStringLiteral("&Whole"), this);
    whole->setObjectName(QStringLiteral("whole"));
    whole->setToolTip(
        QStringLiteral("Fit the whole history, and keep fitting it as it grows (Home)"));
    m_channels = new QLineEdit(QStringLiteral("0-63"), this);
    m_channels->setObjectName(QStringLiteral("channels"));
    m_channels->setToolTip(
        QStringLiteral("Channels to trace, as aq3310-rec -C takes them: 0-15,37 or ch0,ch3"));
    m_channels->setMinimumWidth(
        m_channels->fontMetrics().horizontalAdvance(QStringLiteral("0-15, 32-47")) + 12);

    // Two rows, so that the window fits a small or scaled screen: sampling and view above,
    // recording below.
    auto* controls = new QHBoxLayout;
    controls->addWidget(m_run);
    controls->addWidget(m_mode);
    controls->addWidget(m_period);
    controls->addWidget(m_reconnect);
    controls->addSpacing(12);
    auto* channelsLabel = new QLabel(QStringLiteral("&Channels:"), this);
    channelsLabel->setBuddy(m_channels);
    controls->addWidget(channelsLabel);
    controls->addWidget(m_channels, 1);
    controls->addWidget(whole);
    m_recordRow = new QHBoxLayout;
    m_recordRow->addWidget(m_record);
    m_recordRow->addWidget(m_save);
    m_recordRow->addWidget(m_saveHistory);
    m_recordRow->addSpacing(12);
    auto* triggerLabel = new QLabel(QStringLiteral("Tri&gger:"), this);
    triggerLabel->setBuddy(m_trigger);
    m_recordRow->addWidget(triggerLabel);
    m_recordRow->addWidget(m_trigger, 1);
    m_recordRow->addWidget(m_arm);

    m_lamps = new CLampsWidget(this);
    m_diagram = new CTimingDiagram(this);
    m_diagram->SetRecording(&m_history);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(m_recordRow);
    layout->addWidget(m_lamps, 0, Qt::AlignLeft);
    layout->addWidget(m_diagram, 1);
    m_cursorInfo = new QLabel(this);
    m_cursorInfo->setObjectName(QStringLiteral("cursorInfo"));
    m_cursorInfo->setToolTip(QStringLiteral(
        "Click: cursor A; right or Shift click: cursor B; Ctrl+Left/Right: previous or next "
        "edge of the selected channel; Up/Down: select; +/-, Left/Right, Home: zoom, pan, whole"));
    m_cursorInfo->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_cursorInfo);
    layout->addWidget(m_status);
    resize(DefaultSize());
    // The keyboard goes through the controls as they are laid out, then into the diagram.
    QWidget* order[] = {m_run,    m_mode, m_period,      m_reconnect, m_channels, whole,
                        m_record, m_save, m_saveHistory, m_trigger,   m_arm,      m_diagram};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }

    connect(m_sampler, &CSampler::SampleReady, this, &CMonitorWindow::AddSample);
    connect(m_sampler, &CSampler::Failed, this, &CMonitorWindow::OnFailed);
    connect(m_sampler, &CSampler::ModeChosen, this, &CMonitorWindow::OnModeChosen);
    connect(m_run, &QPushButton::clicked, this,
            [this] { m_sampling ? PauseSampling() : StartSampling(); });
    connect(m_record, &QPushButton::clicked, this,
            [this] { m_recordingOn ? StopRecording() : StartRecording(); });
    connect(m_save, &QPushButton::clicked, this, &CMonitorWindow::OnSave);
    connect(m_saveHistory, &QPushButton::clicked, this, &CMonitorWindow::OnSaveHistory);
    connect(m_arm, &QPushButton::clicked, this,
            [this] { m_trigger_arm.IsArmed() ? Disarm() : Arm(); });
    connect(m_trigger, &QLineEdit::returnPressed, this, &CMonitorWindow::Arm);
    connect(m_reconnect, &QPushButton::clicked, this, &CMonitorWindow::Reconnect);
    connect(whole, &QPushButton::clicked, m_diagram, &CTimingDiagram::ZoomToAll);
    connect(m_diagram, &CTimingDiagram::CursorsChanged, this,
            [this] { m_cursorInfo->setText(m_diagram->CursorText()); });
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

QSize CMonitorWindow::DefaultSize() const {
    // Room for the controls, the lamps and a good part of the traces, but never more than the
    // screen offers, whatever its scale.
    const QSize wanted = QSize(900, 760).expandedTo(minimumSizeHint());
    return screen() == nullptr ? wanted
                               : wanted.boundedTo(screen()->availableGeometry().size() * 9 / 10);
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
    if (m_trigger_arm.Check(m_history, sample, &m_recording)) {
        m_recordingOn = true;
        m_recordingSaved = false;
        m_diagram->SetTriggerUs(sample.timeUs);
        m_status->setText(QStringLiteral("Triggered on %1 at %2: recording.")
                              .arg(m_trigger_arm.Text())
                              .arg(CTimeCursors::OffsetText(sample.timeUs, m_history.StartUs())));
        UpdateButtons();
    }
    const bool first = m_history.IsEmpty();
    m_history.Append(sample);
    if (first) {
        UpdateButtons();
    }
    if (m_recordingOn) {
        m_recording.Append(sample);
    }
    m_diagram->RecordingChanged();
}

void CMonitorWindow::StartRecording() {
    if (!m_live || !MayDropRecording()) {
        return;
    }
    m_recording.Clear();
    m_trigger_arm = CTriggerArm();
    m_diagram->ClearTrigger();
    m_recordingOn = true;
    m_recordingSaved = false;
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

bool CMonitorWindow::HasUnsavedRecording() const {
    return m_recordingOn || (!m_recording.IsEmpty() && !m_recordingSaved);
}

bool CMonitorWindow::MayDropRecording() {
    if (!HasUnsavedRecording()) {
        return true;
    }
    const QString text =
        m_recordingOn ? QStringLiteral("A recording is in progress (%1 samples) and not saved.")
                      : QStringLiteral("The recording of %1 samples has not been saved.");
    switch (AskAboutUnsaved(this, text.arg(m_recording.SampleCount()))) {
        case UnsavedChoice::Save:
            if (m_recordingOn) {
                StopRecording();
            }
            return OnSave();
        case UnsavedChoice::Discard:
            m_recordingOn = false;
            m_recording.Clear();
            UpdateButtons();
            return true;
        case UnsavedChoice::Cancel:
            break;
    }
    return false;
}

QString CMonitorWindow::Save(const CRecording& recording, const QString& path,
                             const std::vector<std::string>& comments) {
    const QString error = WriteRecordingFile(recording, path, comments);
    if (error.isEmpty()) {
        m_status->setText(QStringLiteral("Saved %1.").arg(path));
        return QString();
    }
    m_status->setText(error);
    GetPlatform().MessageBox(error.toStdString() +
                             "\nThe recording is kept: save it again elsewhere.");
    return error;
}

void CMonitorWindow::Arm() {
    if (!m_live || !MayDropRecording()) {
        return;
    }
    QString error;
    if (!m_trigger_arm.Arm(m_trigger->text(), &error)) {
        m_status->setText(QStringLiteral("Trigger: %1.").arg(error));
        return;
    }
    m_recordingOn = false;
    m_diagram->ClearTrigger();
    m_status->setText(QStringLiteral("Armed: waiting for %1; the recording keeps 1 s before it.")
                          .arg(m_trigger_arm.Text()));
    UpdateButtons();
}

void CMonitorWindow::Disarm() {
    m_trigger_arm.Disarm();
    m_status->setText(QStringLiteral("Disarmed."));
    UpdateButtons();
}

QString CMonitorWindow::SaveTo(const QString& path) {
    std::vector<std::string> comments;
    if (m_trigger_arm.HasFired() && !m_recording.IsEmpty()) {
        comments.push_back(
            QStringLiteral("trigger %1 at %2")
                .arg(m_trigger_arm.Text())
                .arg(CTimeCursors::OffsetText(m_trigger_arm.FiredAtUs(), m_recording.StartUs()))
                .toStdString());
    }
    const QString error = Save(m_recording, path, comments);
    if (error.isEmpty()) {
        m_recordingSaved = true;
    }
    return error;
}

QString CMonitorWindow::SaveHistoryTo(const QString& path) {
    return Save(m_history, path);
}

bool CMonitorWindow::OnSave() {
    const QString path =
        AskForFile(this, QStringLiteral("Save Recording"), QStringLiteral("recording.vcd"));
    return !path.isEmpty() && SaveTo(path).isEmpty();
}

void CMonitorWindow::OnSaveHistory() {
    const QString path =
        AskForFile(this, QStringLiteral("Save History"), QStringLiteral("history.vcd"));
    if (!path.isEmpty()) {
        SaveHistoryTo(path);
    }
}

void CMonitorWindow::OnChannelsEdited() {
    // The same lists as aq3310-rec -C and sigrok-cli's -C: "0-7,16", "ch0,ch3", empty for all.
    std::vector<int> channels;
    std::string error;
    if (!ParseChannelList(m_channels->text().toStdString(), &channels, &error)) {
        m_status->setText(QStringLiteral("Channels: %1.").arg(QString::fromStdString(error)));
        return;
    }
    if (channels.empty()) {
        for (int channel = 0; channel < kChannelCount; ++channel) {
            channels.push_back(channel);
        }
    }
    m_diagram->SetChannels(channels);
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
    m_run->setText(m_sampling ? QStringLiteral("&Pause") : QStringLiteral("S&tart"));
    m_record->setText(m_recordingOn ? QStringLiteral("Stop &Recording")
                                    : QStringLiteral("&Record"));
    m_save->setEnabled(!m_recordingOn && !m_recording.IsEmpty());
    m_saveHistory->setEnabled(!m_history.IsEmpty());
    m_arm->setEnabled(m_live);
    m_arm->setText(m_trigger_arm.IsArmed() ? QStringLiteral("Dis&arm") : QStringLiteral("&Arm"));
}

void CMonitorWindow::closeEvent(QCloseEvent* event) {
    if (!MayDropRecording()) {
        event->ignore();
        return;
    }
    // The window is only hidden: its history stays for the next opening.
    PauseSampling();
    QWidget::closeEvent(event);
}
