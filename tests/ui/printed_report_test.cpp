// The page a mirror maker takes to the workshop, and the one set of
// distances everything shows: the report printed into a PDF file, read back
// by pdftotext (poppler-utils, written apart from the toolkit that drew it),
// is one page with the title, the date and the set-up file's name, the
// verdict with the distances to set up, the report's every line, and the
// set-up picture marked with the same distances to set up; the verdict in
// the window states the report's cost in the words and digits of the exact
// check's text, which the command line prints.
#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>

#include "support/main_window_fixture.h"

namespace vn {
namespace {

// Runs a program and returns its standard output, or an empty text.
QString Output(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}

// Whitespace runs as one blank (the page's columns become blanks), and the
// type's ligatures ("ﬀ") as their letters.
QString Words(const QString& text) {
  return text.normalized(QString::NormalizationForm_KC).simplified();
}

}  // namespace

class PrintedReportTest : public QObject {
  Q_OBJECT

 private slots:
  void onePageWithTheDistancesToSetUp() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
      QSKIP("pdftotext and pdfinfo (poppler-utils) are not installed");
    QTemporaryDir dir;
    test::MainWindow m;
    m.window.show();
    QVERIFY(m.window.SaveSetupFile(dir.filePath(QStringLiteral("workshop-mirror.vnull"))));
    m.Click("FindIt");
    QTRY_VERIFY(m.Get<QPushButton>("ExactExport")->isEnabled());

    // The verdict's cost in the exact check's own words and digits.
    const QString exact = m.window.ReportFileText();
    const QRegularExpression cost(QStringLiteral("At the report's distances it is (.+)\n"));
    const QString costText = cost.match(exact).captured(1);
    QVERIFY2(!costText.isEmpty(), qPrintable(exact));
    QVERIFY2(m.Get<QLabel>("ExactVerdict")->text().contains(costText),
             qPrintable(m.Get<QLabel>("ExactVerdict")->text()));
    // The distances to set up, from the exact check's text.
    const QRegularExpression setUp(
        QStringLiteral("  Object to Lens = (\\S+) mm \\(report (\\S+) mm\\)\n"
                       "  Lens to Mirror = (\\S+) mm \\(report (\\S+) mm\\)"));
    const QRegularExpressionMatch distances = setUp.match(exact);
    QVERIFY2(distances.hasMatch(), qPrintable(exact));

    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    m.window.PrintReportTo(printer);
    QVERIFY(QFileInfo(pdf).size() > 0);
    if (qEnvironmentVariableIsSet("VN_KEEP_PDF"))
      QFile::copy(pdf, qEnvironmentVariable("VN_KEEP_PDF"));

    QVERIFY(Output(QStringLiteral("pdfinfo"), {pdf})
                .contains(QRegularExpression(QStringLiteral("Pages:\\s+1\n"))));
    const QString page = Words(Output(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}));
    QStringList missing;
    for (const QString& wanted :
         {QStringLiteral("Vantry Null null-test set-up"),
          QDate::currentDate().toString(Qt::ISODate), QStringLiteral("workshop-mirror.vnull"),
          QStringLiteral("Verdict: ok"), QStringLiteral("Distances to set up (the exact null):"),
          // The picture's marks: the distances to set up, the report's beside them.
          distances.captured(1) + QStringLiteral(" mm to set up (exact null; report ") +
              distances.captured(2) + QStringLiteral(")"),
          distances.captured(3) + QStringLiteral(" mm to set up (exact null; report ") +
              distances.captured(4) + QStringLiteral(")")}) {
      if (!page.contains(Words(wanted))) missing << wanted;
    }
    // Every line of the report box, word for word.
    for (const QString& line : m.Get<QPlainTextEdit>("TextOut")->toPlainText().split('\n')) {
      if (!Words(line).isEmpty() && !page.contains(Words(line))) missing << line;
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join('\n') + "\n---\n" + page));
    // The verdict and the distances come before the report's text.
    QVERIFY(page.indexOf(QStringLiteral("Verdict: ok")) <
            page.indexOf(QStringLiteral("Using these Mirror Parameters")));
  }
};

}  // namespace vn

QTEST_MAIN(vn::PrintedReportTest)
#include "printed_report_test.moc"
