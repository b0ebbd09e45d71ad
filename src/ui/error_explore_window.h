// The window of the error-exploration dialog Err_Explore, "Null lens to mirror
// spacing error": it lays out the controls and forwards their events to
// ErrorExploreDialog, which sets the exploration's limit.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "spacing_error_dialog/error_explore_dialog.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vn {

class ErrorExploreWindow : public QDialog, public ErrorExploreView {
  Q_OBJECT

 public:
  // `clearQtrWave` clears the main window's CHk_QtrWave without reopening the dialog.
  ErrorExploreWindow(ErrorExploreDialog& model, std::function<void()> clearQtrWave,
                     QWidget* parent);

  // Opens the dialog (the model's opening first) and returns when it closes.
  // `inchUnits`: the main window's units are inches.
  int Open(bool inchUnits);

  // ErrorExploreView
  void SelectOption(int index) override;
  std::string SpecErrorText() override;
  void SetSpecErrorText(const std::string& text) override;
  void SetUnitCaption(const std::string& caption) override;
  void ShowMessage(const std::string& title, const std::string& text) override;
  void FocusSpecError() override;
  void ClearQtrWaveCheck() override;
  void Close() override;

  void done(int result) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ErrorExploreDialog& model_;
  std::function<void()> clearQtrWave_;
  bool closing_ = false;

  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QButtonGroup* errAmount_ = nullptr;
  std::array<QRadioButton*, kErrorOptionCount> options_{};
  QLineEdit* specError_ = nullptr;
  QLabel* lblUnit_ = nullptr;
};

}  // namespace vn
