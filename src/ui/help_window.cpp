// Help (F1): pages on what the program does, compiled into the program
// (data/help, no network): how to enter a set-up and its sign conventions
// (the start-up text), the verdict, the exact check, the tolerances, the lens
// chooser, the Tester's view, and set-up files with the saved and printed
// report.
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/form_main.h"
#include "ui/startup_text.h"

namespace vn {

namespace {

struct HelpPage {
  const char* title;
  const char* resource;  // nullptr: the start-up text
};

constexpr HelpPage kPages[] = {
    {"Entering a set-up and signs", nullptr},
    {"The verdict", ":/help/verdict.txt"},
    {"The exact check", ":/help/exact_check.txt"},
    {"Tolerances", ":/help/tolerances.txt"},
    {"The lens chooser", ":/help/lens_chooser.txt"},
    {"The Tester's view", ":/help/tester_view.txt"},
    {"Set-up files and reports", ":/help/setup_files.txt"},
};

QString PageText(const HelpPage& page) {
  if (page.resource == nullptr) return WidgetTextFromReport(StartupText());
  QFile file(QString::fromUtf8(page.resource));
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

void FormMain::ShowHelp() {
  if (help_ == nullptr) {
    help_ = new QDialog(this, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    help_->setObjectName("HelpDialog");
    help_->setWindowTitle(tr("Vantry Null - how to use it"));
    auto* pages = new QListWidget(help_);
    pages->setObjectName("HelpPages");
    for (const HelpPage& page : kPages) pages->addItem(tr(page.title));
    pages->setMaximumWidth(pages->sizeHintForColumn(0) + 24);
    auto* text = new QPlainTextEdit(help_);
    text->setObjectName("HelpText");
    text->setReadOnly(true);
    text->setTabStopDistance(8 * text->fontMetrics().averageCharWidth());
    connect(pages, &QListWidget::currentRowChanged, text, [text](int row) {
      if (row >= 0 && row < static_cast<int>(std::size(kPages)))
        text->setPlainText(PageText(kPages[static_cast<std::size_t>(row)]));
    });
    pages->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, help_);
    connect(buttons, &QDialogButtonBox::rejected, help_, &QDialog::close);
    auto* body = new QHBoxLayout;
    body->addWidget(pages);
    body->addWidget(text, 1);
    auto* layout = new QVBoxLayout(help_);
    layout->addLayout(body, 1);
    layout->addWidget(buttons);
    // Wide enough for the text's longest lines, never larger than the screen.
    const QRect screen = this->screen()->availableGeometry();
    help_->resize(std::min(900, screen.width() - 40), std::min(600, screen.height() - 60));
  }
  help_->show();
  help_->raise();
  help_->activateWindow();
}

}  // namespace vn
