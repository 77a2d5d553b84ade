// "生产记录": the production line's records as a window of its own beside the main window (not
// modal). At the top the station's settings: where the line's database is, the station's name
// and its operator, saved to the tool's settings that the command line reads too. Below, the
// records newest first, filtered by serial number and outcome, and exported as CSV.
#pragma once

#include "records/board_record.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TLineStation;

class TRecordsDialog : public QDialog {
    Q_OBJECT
public:
    TRecordsDialog(TLineStation& line, QWidget* window);

    // Shows the dialog with the settings as saved and the records read anew.
    void ShowAndRaise();
    // The records the filters let through, read from the database.
    void Refresh();
    // The records shown, to a CSV file.
    void Export();

    // Asks for the CSV file's name (tests may answer instead); empty when cancelled.
    std::function<QString(const QString& suggested)> AskFileName;

    // At most this many of the newest records are shown.
    static constexpr int kShownAtMost = 1000;

protected:
    void changeEvent(QEvent* event) override;

private:
    void Retranslate();
    void RetranslateSettings();
    void RetranslateFilters();
    void RenameOutcomes();
    void ResizeColumns();
    // Shows the line under the table, made again when the language changes.
    void ShowSummary(std::function<QString()> text);
    QPushButton* Button(const char* name, void (TRecordsDialog::*click)());
    QWidget* BuildSettings();
    QWidget* BuildFilters();
    QTableWidget* BuildTable();
    void LoadSettings();
    void SaveSettings();
    bool FilterOf(TRecordFilter& filter);
    void ShowRecords(std::vector<TBoardRecord> records);

    TLineStation& line_;
    QGroupBox* settingsBox_ = nullptr;
    QLabel* databaseLabel_ = nullptr;
    QLabel* stationLabel_ = nullptr;
    QLabel* operatorLabel_ = nullptr;
    QLabel* serialLabel_ = nullptr;
    QLabel* outcomeLabel_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* export_ = nullptr;
    QLineEdit* database_ = nullptr;
    QLineEdit* station_ = nullptr;
    QLineEdit* operator_ = nullptr;
    QLabel* where_ = nullptr;
    QLineEdit* serialFilter_ = nullptr;
    QComboBox* outcomeFilter_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* summary_ = nullptr;
    std::function<QString()> summaryText_;
    std::vector<TBoardRecord> shown_; // newest first, as in the table
};
