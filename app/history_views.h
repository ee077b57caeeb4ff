#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>
#include <map>
#include <vector>

#include "app/history_ui.h"

class QChartView;

namespace kestrel::app {

// One tile per element of the Daily check's list and of the history, coloured by what its
// last pass found; a click shows its active alarms, with their acknowledgement, and its
// recent passes. Refreshed every few seconds while it shows.
class BoardWidget : public QWidget {
  Q_OBJECT

 public:
  BoardWidget(HistoryUi& ui, bool compact, QWidget* parent = nullptr);
  void Refresh();
  // The element whose alarms show; empty for none.
  const std::string& Shown() const { return shown_; }
  void ShowElement(const std::string& element);
  void AcknowledgeSelected(const QString& note);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Acknowledge();

  HistoryUi& ui_;
  bool compact_;
  QLabel* heartbeat_;
  QWidget* tiles_;
  QGridLayout* grid_;
  QLabel* title_;
  QTableWidget* alarms_;
  QTableWidget* passes_;
  QPushButton* acknowledge_;
  QTimer refresh_;
  std::string shown_;
  std::vector<std::int64_t> alarm_ids_;
};

// The history over a range of days: filters, the alarms found, their trend per element and
// day and the slogans seen most often; the table as CSV.
class HistoryWindow : public QWidget {
  Q_OBJECT

 public:
  HistoryWindow(HistoryUi& ui, QWidget* parent = nullptr);
  void Refresh();
  // Writes the rows the table shows to `path`; false (and a box) when it cannot.
  bool Export(const QString& path);

  QDateEdit* From;
  QDateEdit* To;
  QComboBox* Element;
  QLineEdit* Text;
  QCheckBox* ActiveOnly;
  QTableWidget* Table;

 private:
  HistoryUi& ui_;
  QChartView* per_day_;
  QChartView* slogans_;
  QLabel* status_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace kestrel::app
