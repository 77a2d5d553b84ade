// Read all and write all: their commands run one at a time through the exchange engine, each
// frame and answer shown as its button would show it, a progress dialog with "取消", and the
// report when the run ends. The dialog, the report's box and its status line follow a change of
// language.
#pragma once

#include "protocol/settings.h"
#include "session/exchange_run.h"
#include "ui/batch_report.h"
#include "ui/run_display.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMessageBox;
class QProgressDialog;
class QPushButton;
class QWidget;
class TPortLink;
class TReplyIntake;
class TSession;
class TSettingsBinding;
class TStatusLine;
namespace Ui {
struct Form1;
}

class TBatchController : public QObject {
    Q_OBJECT
public:
    struct TParts {
        TSettingsBinding& binding;
        TReplyIntake& intake;
        const TPortLink& link;
        TStatusLine& status;
    };
    // `idleOnly`: the buttons disabled while a run goes on.
    TBatchController(Ui::Form1& ui, TParts parts, std::vector<QPushButton*> idleOnly,
                     QWidget* window);

    // "读取全部": the system query, then every slot's command and header queries.
    void ReadAll();
    // "写入全部": every setting of a configuration, then all of it read back and compared.
    void WriteAll();
    // True from the click on read all or write all until its summary has been shown.
    bool Running() const { return progress_ != nullptr; }

    // The runs go through this, with these times (tests may shorten them).
    TSession* Session;
    TRunTiming BatchTiming;
    // Write all's record (the production line's): told before the first frame, when raising
    // stops the run before anything is sent, and told when the run has ended.
    std::function<void(const DeviceSettings& settings)> WriteAllStarting;
    std::function<void(const TExchangeRun& run, const DeviceSettings& written)> WriteAllEnded;

protected:
    // The progress dialog and the report's box made again in another language.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Refuse();
    void Start(std::vector<Command> commands);
    QString Title() const;
    void RetranslateProgress();
    void Sent(int index, const QByteArray& frame);
    void Judged(int index);
    void Finished();
    TBatchReport ReportOf(const TBatchRun& run) const;
    void ShowBox(std::shared_ptr<const TBatchRun> run, bool fine);
    void FillBox();
    void SetIdleOnlyEnabled(bool enabled);

    Ui::Form1& ui_;
    TParts parts_;
    std::vector<QPushButton*> idleOnly_;
    QWidget* window_;
    QProgressDialog* progress_ = nullptr; // read all or write all is running
    int step_ = -1;                       // the frame sent last, counted from 0
    QString frame_;                       // its text
    TRunDisplay display_;
    std::optional<DeviceSettings> written_;   // what write all sent, while it verifies
    QMessageBox* box_ = nullptr;              // the report's box, while it is open
    std::shared_ptr<const TBatchRun> boxRun_; // what it reports
};
