#pragma once

#include <QTimer>
#include <QWidget>
#include <string>
#include <vector>

#include "instrument/VisaTypes.h"
#include "monitor/LampStates.h"
#include "monitor/MonitorFiles.h"
#include "monitor/Sampler.h"
#include "monitor/TriggerArm.h"
#include "recording/Recording.h"

class CInstrument;
class CLampsWidget;
class CTimingDiagram;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The channel monitor: the 64 inputs as lamps, a timing diagram of their history, sampling on
// a period or on change in a worker thread, and recordings saved as VCD or CSV. It shares the
// program's instrument with the panel through the instrument's guard.
class CMonitorWindow : public QWidget {
    Q_OBJECT
public:
    CMonitorWindow(CInstrument& instrument, std::vector<std::string> visaNames,
                   QWidget* parent = nullptr);
    ~CMonitorWindow() override;

    // Starts or stops sampling with the mode and period the controls show.
    void StartSampling();
    void PauseSampling();
    bool IsSampling() const { return m_sampling; }
    // Opens the module's resource again (after a lost link) and resumes sampling.
    void Reconnect();
    // Lets edge marks go out and time run on when no sample comes; the timer calls it, tests
    // may too.
    void OnMarkTimer();
    bool OnChangeOffered() const { return m_onChangeOffered; }

    // What the sampler delivers; tests hand samples in directly too.
    void AddSample(const Sample& sample);
    void StartRecording();
    void StopRecording();
    bool IsRecording() const { return m_recordingOn; }
    const CRecording& Recording() const { return m_recording; }
    const CRecording& History() const { return m_history; }
    // Saves the recording; the format follows the extension. Empty on success, otherwise the
    // reason, which the user has been told; the recording is kept either way.
    QString SaveTo(const QString& path);
    // Saves the whole history the diagram holds, in the same way.
    QString SaveHistoryTo(const QString& path);
    // Arms the trigger the Trigger field names, or says why not; Disarm lets it go.
    void Arm();
    void Disarm();
    const CTriggerArm& Trigger() const { return m_trigger_arm; }
    // A recording is running, or was made and not saved since.
    bool HasUnsavedRecording() const;
    // True when nothing unsaved would be lost: asks Save, Discard or Cancel when there is an
    // unsaved recording, and saves or drops it as answered. False on Cancel.
    bool MayDropRecording();

    CLampsWidget* Lamps() const { return m_lamps; }
    CTimingDiagram* Diagram() const { return m_diagram; }
    QLabel* StatusLabel() const { return m_status; }
    CSampler* Sampler() const { return m_sampler; }
    // The size the window opens with: fits the screen it is on.
    QSize DefaultSize() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnFailed(ViStatus status);
    void OnModeChosen(CSampler::Mode mode, const QString& reason);
    // Asks for a file and saves the recording; true when it was saved.
    bool OnSave();
    void OnSaveHistory();
    QString Save(const CRecording& recording, const QString& path,
                 const std::vector<std::string>& comments = {});
    void OnChannelsEdited();
    void UpdateButtons();

    CInstrument& m_instrument;
    // Only a live module is sampled: the emulated one has no activity to show.
    const bool m_live;
    CSampler* m_sampler = nullptr;
    CLampsWidget* m_lamps = nullptr;
    CTimingDiagram* m_diagram = nullptr;
    QPushButton* m_run = nullptr;
    QComboBox* m_mode = nullptr;
    QSpinBox* m_period = nullptr;
    QPushButton* m_record = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_saveHistory = nullptr;
    QPushButton* m_reconnect = nullptr;
    QLineEdit* m_trigger = nullptr;
    QPushButton* m_arm = nullptr;
    CTriggerArm m_trigger_arm;
    QLineEdit* m_channels = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_cursorInfo = nullptr;
    QHBoxLayout* m_recordRow = nullptr;  // the trigger's controls join it
    CLampStates m_states;
    QTimer m_markTimer;
    CRecording m_history;
    CRecording m_recording;
    bool m_sampling = false;
    bool m_recordingOn = false;
    bool m_recordingSaved = true;
    bool m_onChangeOffered = false;
};
