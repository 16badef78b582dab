#include "device/check/CheckReport.h"

#include "device/AppVersion.h"
#include "device/check/CheckSequence.h"

#include <QCoreApplication>
#include <QSaveFile>

#include <hpdf.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

namespace checkreport {

namespace {

// A4 in points, with margins a printer keeps.
constexpr float kPageWidth = 595.0F;
constexpr float kPageHeight = 842.0F;
constexpr float kMargin = 50.0F;
constexpr float kLine = 14.0F;

struct Colour {
    float r, g, b;
};
constexpr Colour kBlack{0, 0, 0};
constexpr Colour kGrey{0.45F, 0.45F, 0.45F};
constexpr Colour kRising{0.10F, 0.35F, 0.75F};
constexpr Colour kFalling{0.85F, 0.40F, 0.05F};
constexpr Colour kPass{0.05F, 0.50F, 0.15F};
constexpr Colour kFail{0.80F, 0.05F, 0.05F};

void onHaruError(HPDF_STATUS error, HPDF_STATUS detail, void *data) {
    auto *status = static_cast<QString *>(data);
    if (status->isEmpty())
        *status =
            QStringLiteral("PDF error 0x%1 (detail %2)").arg(error, 4, 16, QLatin1Char('0')).arg(detail);
}

// WinAnsi is Latin-1 but for 0x80-0x9F, where it holds marks French texts use (œ, ’, …) that Latin-1 lacks;
// a character it lacks too prints as '?'.
QByteArray winAnsi(const QString &line) {
    static const std::pair<char16_t, char> kExtra[] = {
        {u'€', '\x80'}, {u'‚', '\x82'}, {u'„', '\x84'}, {u'…', '\x85'}, {u'‹', '\x8B'}, {u'Œ', '\x8C'},
        {u'‘', '\x91'}, {u'’', '\x92'}, {u'“', '\x93'}, {u'”', '\x94'}, {u'•', '\x95'}, {u'–', '\x96'},
        {u'—', '\x97'}, {u'›', '\x9B'}, {u'œ', '\x9C'}, {u'Ÿ', '\x9F'}};
    QByteArray bytes;
    bytes.reserve(line.size());
    for (const QChar c : line) {
        const char16_t u = c.unicode();
        char byte = '?';
        if (u == 0x202F || u == 0x00A0)
            byte = '\xA0';
        else if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
            byte = static_cast<char>(u);
        for (const auto &[from, to] : kExtra)
            byte = u == from ? to : byte;
        bytes += byte;
    }
    return bytes;
}

QString number(double value, int decimals = 2) {
    return checkstats::formatGrams(value, decimals);
}

QString optionalNumber(const std::optional<double> &value, int decimals = 2) {
    return value ? number(*value, decimals) : QStringLiteral("-");
}

// Writes pages top to bottom; a block that does not fit goes onto a new page.
class Writer {
public:
    Writer()
        : m_doc(HPDF_New(onHaruError, &m_error)) {
        if (!m_doc)
            return;
        HPDF_SetCompressionMode(m_doc, HPDF_COMP_ALL);
        // Helvetica with the Windows Latin encoding: accents of French names and texts print as typed.
        m_regular = HPDF_GetFont(m_doc, "Helvetica", "WinAnsiEncoding");
        m_bold = HPDF_GetFont(m_doc, "Helvetica-Bold", "WinAnsiEncoding");
        newPage();
    }
    ~Writer() {
        if (m_doc)
            HPDF_Free(m_doc);
    }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    HPDF_Doc doc() const { return m_doc; }
    QString error() const {
        return m_doc ? m_error
                     : QCoreApplication::translate("CheckReport", "The PDF library could not start.");
    }
    float y() const { return m_y; }

    void newPage() {
        m_page = HPDF_AddPage(m_doc);
        HPDF_Page_SetSize(m_page, HPDF_PAGE_SIZE_A4, HPDF_PAGE_PORTRAIT);
        m_y = kPageHeight - kMargin;
        ++m_pages;
    }
    // Room for `height` points below the cursor, else a new page.
    void need(float height) {
        if (m_y - height < kMargin + kLine)
            newPage();
    }
    void gap(float points) { m_y -= points; }

    void text(float x, float y, const QString &line, float size = 10, bool bold = false, Colour c = kBlack) {
        const QByteArray bytes = winAnsi(line);
        HPDF_Page_BeginText(m_page);
        HPDF_Page_SetFontAndSize(m_page, bold ? m_bold : m_regular, size);
        HPDF_Page_SetRGBFill(m_page, c.r, c.g, c.b);
        HPDF_Page_TextOut(m_page, x, y, bytes.constData());
        HPDF_Page_EndText(m_page);
    }
    float width(const QString &line, float size = 10, bool bold = false) {
        HPDF_Page_SetFontAndSize(m_page, bold ? m_bold : m_regular, size);
        return HPDF_Page_TextWidth(m_page, winAnsi(line).constData());
    }
    // Text ending at `right`.
    void rightText(float right, float y, const QString &line, float size = 10, bool bold = false,
                   Colour c = kBlack) {
        text(right - width(line, size, bold), y, line, size, bold, c);
    }
    void line(float x0, float y0, float x1, float y1, Colour c = kBlack, float lineWidth = 0.6F,
              bool dashed = false) {
        HPDF_Page_SetRGBStroke(m_page, c.r, c.g, c.b);
        HPDF_Page_SetLineWidth(m_page, lineWidth);
        const HPDF_UINT16 dash[] = {3, 2};
        HPDF_Page_SetDash(m_page, dashed ? dash : nullptr, dashed ? 2 : 0, 0);
        HPDF_Page_MoveTo(m_page, x0, y0);
        HPDF_Page_LineTo(m_page, x1, y1);
        HPDF_Page_Stroke(m_page);
        HPDF_Page_SetDash(m_page, nullptr, 0, 0);
    }
    void square(float x, float y, float half, Colour c) {
        HPDF_Page_SetRGBFill(m_page, c.r, c.g, c.b);
        HPDF_Page_Rectangle(m_page, x - half, y - half, 2 * half, 2 * half);
        HPDF_Page_Fill(m_page);
    }

    void heading(const QString &title) {
        need(3 * kLine);
        gap(8);
        text(kMargin, m_y, title, 12, true);
        gap(4);
        line(kMargin, m_y - 2, kPageWidth - kMargin, m_y - 2, kGrey, 0.4F);
        gap(kLine);
    }
    // "Label: value" lines in two columns.
    void field(const QString &label, const QString &value) {
        need(kLine);
        text(kMargin, m_y, label, 10, true);
        text(kMargin + 150, m_y, value);
        gap(kLine);
    }
    void paragraph(const QString &body, float size = 10, Colour c = kBlack) {
        // Wraps at word boundaries to the text width.
        const float widthAvailable = kPageWidth - 2 * kMargin;
        QString current;
        for (const QString &word : body.split(QLatin1Char(' '))) {
            const QString candidate = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
            if (!current.isEmpty() && width(candidate, size) > widthAvailable) {
                need(kLine);
                text(kMargin, m_y, current, size, false, c);
                gap(kLine);
                current = word;
            } else {
                current = candidate;
            }
        }
        if (!current.isEmpty()) {
            need(kLine);
            text(kMargin, m_y, current, size, false, c);
            gap(kLine);
        }
    }
    // A table row: each cell right-aligned at its column's right edge (the first left-aligned).
    void row(const QStringList &cells, const std::vector<float> &rights, bool bold = false,
             Colour last = kBlack) {
        need(kLine);
        for (qsizetype i = 0; i < cells.size() && i < static_cast<qsizetype>(rights.size()); ++i) {
            const Colour c = i == cells.size() - 1 ? last : kBlack;
            rightText(rights[static_cast<size_t>(i)], m_y, cells.at(i), 9, bold, c);
        }
        gap(kLine - 2);
    }
    void footers(const QString &left) {
        const HPDF_Page saved = m_page;
        for (int i = 0; i < m_pages; ++i) {
            m_page = HPDF_GetPageByIndex(m_doc, static_cast<HPDF_UINT>(i));
            text(kMargin, kMargin - 20, left, 8, false, kGrey);
            rightText(kPageWidth - kMargin, kMargin - 20,
                      QCoreApplication::translate("CheckReport", "Page %1 of %2").arg(i + 1).arg(m_pages), 8,
                      false, kGrey);
        }
        m_page = saved;
    }

private:
    QString m_error;
    HPDF_Doc m_doc;
    HPDF_Page m_page = nullptr;
    HPDF_Font m_regular = nullptr;
    HPDF_Font m_bold = nullptr;
    float m_y = 0;
    int m_pages = 0;
};

void storedCalibration(Writer &w, const QVariantMap &stored) {
    w.heading(QCoreApplication::translate("CheckReport", "Calibration held by the amplifier"));
    if (stored.contains(QStringLiteral("error")) || stored.isEmpty()) {
        w.paragraph(QCoreApplication::translate("CheckReport", "Not read: %1")
                        .arg(stored
                                 .value(QStringLiteral("error"),
                                        QCoreApplication::translate("CheckReport", "no answer"))
                                 .toString()));
        return;
    }
    w.field(QCoreApplication::translate("CheckReport", "Points in use"),
            stored.value(QStringLiteral("pointCount")).toString());
    w.field(QCoreApplication::translate("CheckReport", "Zero offset"),
            stored.value(QStringLiteral("zeroOffset")).toString());
    const std::vector<float> rights{kMargin + 40, kMargin + 160, kMargin + 280};
    w.row({QCoreApplication::translate("CheckReport", "Point"),
           QCoreApplication::translate("CheckReport", "AD value"),
           QCoreApplication::translate("CheckReport", "Weight (g)")},
          rights, true);
    const QVariantList points = stored.value(QStringLiteral("points")).toList();
    for (qsizetype i = 0; i < points.size(); ++i) {
        const QVariantMap point = points.at(i).toMap();
        // Numbered from 1, as the calibration page shows them to the technician.
        w.row({QString::number(i + 1), point.value(QStringLiteral("ad")).toString(),
               number(point.value(QStringLiteral("weight")).toDouble())},
              rights);
    }
}

void resultsTable(Writer &w, const checkstats::Input &in, const checkstats::Result &result) {
    w.heading(QCoreApplication::translate("CheckReport", "Errors of indication (g)"));
    const std::vector<float> rights{kMargin + 50,  kMargin + 110, kMargin + 160, kMargin + 225, kMargin + 275,
                                    kMargin + 330, kMargin + 380, kMargin + 430, kMargin + 495};
    w.row({QCoreApplication::translate("CheckReport", "Load"),
           QCoreApplication::translate("CheckReport", "Rising"),
           QCoreApplication::translate("CheckReport", "Error"),
           QCoreApplication::translate("CheckReport", "Falling"),
           QCoreApplication::translate("CheckReport", "Error"),
           QCoreApplication::translate("CheckReport", "Hyst."), QStringLiteral("U (k=2)"),
           QCoreApplication::translate("CheckReport", "Limit"),
           QCoreApplication::translate("CheckReport", "Result")},
          rights, true);
    for (qsizetype i = 0; i < result.rows.size(); ++i) {
        const checkstats::Row &r = result.rows.at(i);
        const QString verdict = !result.judged ? QStringLiteral("-")
                                : !r.passed
                                    ? QCoreApplication::translate("CheckReport", "not read")
                                    : (*r.passed ? QCoreApplication::translate("CheckReport", "pass")
                                                 : QCoreApplication::translate("CheckReport", "FAIL"));
        w.row({number(r.load), optionalNumber(in.rising.value(i)), optionalNumber(r.risingError),
               optionalNumber(in.falling.value(i)), optionalNumber(r.fallingError),
               optionalNumber(r.hysteresis), optionalNumber(r.uncertainty), number(r.limit), verdict},
              rights, false, !r.passed ? kGrey : (*r.passed ? kPass : kFail));
    }
}

// Errors against load: rising and falling errors with their U as bars, the limits dashed.
void plot(Writer &w, const checkstats::Result &result) {
    w.heading(QCoreApplication::translate("CheckReport", "Error of indication against load"));
    const float height = 165;
    w.need(height + 40);
    const float left = kMargin + 45;
    const float right = kPageWidth - kMargin - 10;
    const float top = w.y() - 5;
    const float bottom = top - height;
    double maxLoad = 1;
    double span = 0;
    for (const checkstats::Row &r : result.rows) {
        maxLoad = std::max(maxLoad, r.load);
        span = std::max(span, r.limit);
        const double u = r.uncertainty.value_or(0);
        for (const auto &e : {r.risingError, r.fallingError}) {
            if (e)
                span = std::max(span, std::abs(*e) + u);
        }
    }
    span = span > 0 ? span * 1.15 : 1;
    auto xOf = [&](double load) {
        return left + static_cast<float>(load / maxLoad) * (right - left);
    };
    auto yOf = [&](double error) {
        return bottom + static_cast<float>((error + span) / (2 * span)) * (top - bottom);
    };
    w.line(left, bottom, left, top);
    w.line(left, yOf(0), right, yOf(0), kGrey, 0.4F);
    w.line(left, bottom, right, bottom);
    for (int tick = 0; tick <= 4; ++tick) {
        const double error = -span + tick * span / 2;
        w.line(left - 3, yOf(error), left, yOf(error));
        w.rightText(left - 5, yOf(error) - 3, number(error, span < 0.5 ? 3 : 2), 8);
        const double load = maxLoad * tick / 4;
        w.line(xOf(load), bottom, xOf(load), bottom - 3);
        const QString loadText = number(load, 0);
        w.text(xOf(load) - w.width(loadText, 8) / 2, bottom - 12, loadText, 8);
    }
    w.text(right - 45, bottom - 24, QCoreApplication::translate("CheckReport", "load (g)"), 8);
    w.text(left - 40, top + 6, QCoreApplication::translate("CheckReport", "error (g)"), 8);
    // The limits, as a polyline over the loads (a percentage limit grows with the load).
    for (qsizetype i = 1; i < result.rows.size() && result.judged; ++i) {
        const checkstats::Row &a = result.rows.at(i - 1);
        const checkstats::Row &b = result.rows.at(i);
        for (double sign : {1.0, -1.0})
            w.line(xOf(a.load), yOf(sign * a.limit), xOf(b.load), yOf(sign * b.limit), kFail, 0.6F, true);
    }
    for (int series = 0; series < 2; ++series) {
        const Colour c = series == 0 ? kRising : kFalling;
        const float shift = series == 0 ? -2.0F : 2.0F;
        std::optional<std::pair<float, float>> previous;
        for (const checkstats::Row &r : result.rows) {
            const std::optional<double> e = series == 0 ? r.risingError : r.fallingError;
            if (!e)
                continue;
            const float x = xOf(r.load) + shift;
            const float y = yOf(*e);
            if (r.uncertainty)
                w.line(x, yOf(*e - *r.uncertainty), x, yOf(*e + *r.uncertainty), c, 0.8F);
            w.square(x, y, 2.2F, c);
            if (previous)
                w.line(previous->first, previous->second, x, y, c, 0.8F);
            previous = std::make_pair(x, y);
        }
    }
    const float legendY = bottom - 26;
    w.square(left + 4, legendY + 3, 2.2F, kRising);
    w.text(left + 10, legendY, QCoreApplication::translate("CheckReport", "rising"), 8);
    w.square(left + 54, legendY + 3, 2.2F, kFalling);
    w.text(left + 60, legendY, QCoreApplication::translate("CheckReport", "falling"), 8);
    if (result.judged) {
        w.line(left + 104, legendY + 3, left + 120, legendY + 3, kFail, 0.6F, true);
        w.text(left + 124, legendY, QCoreApplication::translate("CheckReport", "tolerance"), 8);
    }
    w.line(left + 172, legendY, left + 172, legendY + 7, kBlack, 0.8F);
    w.text(left + 178, legendY, QCoreApplication::translate("CheckReport", "expanded uncertainty U (k = 2)"),
           8);
    w.gap(height + 45);
}

} // namespace

bool writePdf(const CheckSequence &check, const QString &path, QString *error) {
    Writer w;
    if (!w.doc()) {
        *error = w.error();
        return false;
    }
    const CheckSetup &setup = check.setup();
    const checkstats::Input in = check.input();
    const checkstats::Result result = checkstats::evaluate(in);
    const QDateTime started = check.startedAt();

    w.text(kMargin, w.y(), QCoreApplication::translate("CheckReport", "Calibration check report"), 18, true);
    w.rightText(kPageWidth - kMargin, w.y(), started.toString(QStringLiteral("yyyy-MM-dd HH:mm")), 11);
    w.gap(22);
    const bool stopped = check.state() == CheckSequence::State::Stopped;
    const QString verdict = !result.complete ? QCoreApplication::translate("CheckReport", "INCOMPLETE")
                            : !result.judged ? QCoreApplication::translate("CheckReport", "NOT JUDGED")
                            : result.passed  ? QCoreApplication::translate("CheckReport", "PASSED")
                                             : QCoreApplication::translate("CheckReport", "FAILED");
    const Colour verdictColour = !result.complete || !result.judged ? kGrey : (result.passed ? kPass : kFail);
    w.text(kMargin, w.y(), QCoreApplication::translate("CheckReport", "Verdict: ") + verdict, 14, true,
           verdictColour);
    w.gap(kLine + 2);
    if (result.complete && !result.judged)
        w.paragraph(QCoreApplication::translate(
            "CheckReport", "No tolerance was given: the errors are reported without a verdict."));
    else if (!result.complete)
        w.paragraph(stopped ? QCoreApplication::translate(
                                  "CheckReport", "The check stopped before every reading was taken: %1")
                                  .arg(check.message())
                            : QCoreApplication::translate(
                                  "CheckReport", "Some readings were skipped: no verdict can be given."));
    else
        w.paragraph(result.passed
                        ? QCoreApplication::translate(
                              "CheckReport", "Every error of indication, rising and falling, lies within the "
                                             "tolerance of %1.")
                              .arg(setup.tolerance.text())
                        : QCoreApplication::translate(
                              "CheckReport", "At least one error of indication exceeds the tolerance of %1.")
                              .arg(setup.tolerance.text()));

    w.heading(QCoreApplication::translate("CheckReport", "Amplifier"));
    w.field(QCoreApplication::translate("CheckReport", "Model"), check.amplifierModel());
    w.field(QCoreApplication::translate("CheckReport", "Protocol"), check.amplifierProtocol());
    w.field(QCoreApplication::translate("CheckReport", "Port and id"), check.amplifierLink());

    w.heading(QCoreApplication::translate("CheckReport", "Check"));
    w.field(QCoreApplication::translate("CheckReport", "Date"),
            started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    w.field(QCoreApplication::translate("CheckReport", "Operator"),
            setup.operatorName.isEmpty() ? QStringLiteral("-") : setup.operatorName);
    w.field(QCoreApplication::translate("CheckReport", "Test weights"),
            setup.weightsId.isEmpty() ? QStringLiteral("-") : setup.weightsId);
    w.field(QCoreApplication::translate("CheckReport", "Weights' uncertainty"),
            setup.weightUncertainty.text() + QStringLiteral(" (k = 2)"));
    w.field(QCoreApplication::translate("CheckReport", "Scale interval d"),
            QStringLiteral("%1 g").arg(setup.division));
    w.field(QCoreApplication::translate("CheckReport", "Tolerance"),
            setup.judged ? setup.tolerance.text() : QCoreApplication::translate("CheckReport", "none given"));
    if (!setup.notes.isEmpty())
        w.field(QCoreApplication::translate("CheckReport", "Notes"), setup.notes);

    storedCalibration(w, check.storedCalibration());
    resultsTable(w, in, result);
    w.gap(4);
    w.paragraph(QCoreApplication::translate(
                    "CheckReport",
                    "Repeatability: %1 g placed %2 times, mean %3 g, standard deviation s = %4 g (%5).")
                    .arg(number(in.repeatLoad))
                    .arg(in.repeats.size())
                    .arg(result.repeatMean ? number(*result.repeatMean) : QStringLiteral("-"))
                    .arg(optionalNumber(result.repeatabilityDeviation, 3))
                    .arg(QStringList([&] {
                             QStringList values;
                             for (double v : in.repeats)
                                 values << number(v);
                             return values;
                         }())
                             .join(QStringLiteral("; "))));
    plot(w, result);

    const QStringList remarks = check.remarks();
    if (!remarks.isEmpty()) {
        w.heading(QCoreApplication::translate("CheckReport", "Remarks"));
        for (const QString &remark : remarks)
            w.paragraph(QStringLiteral("- ") + remark);
    }
    // The method, the date and the signature stay together.
    w.need(8 * kLine);
    w.heading(QCoreApplication::translate("CheckReport", "Method"));
    w.paragraph(QCoreApplication::translate(
                    "CheckReport",
                    "Error of indication E = I - L at each test load L, rising and falling; hysteresis "
                    "|I(falling) - I(rising)|; repeatability s from the placings of one load; expanded "
                    "uncertainty of the error U = 2 u(E), with u(E) from the resolution at zero and at "
                    "load (d / sqrt 12 each), s and half the test weights' stated U, following EURAMET "
                    "Calibration Guide No. 18. Each indication is the mean of a stable window: spread "
                    "below %1 g over %2 ms.")
                    .arg(setup.stableDivisions * setup.division)
                    .arg(setup.stableWindowMs),
                9, kGrey);
    w.gap(12);
    w.need(kLine);
    w.text(kMargin, w.y(), QCoreApplication::translate("CheckReport", "Date: ________________"), 10);
    w.text(kMargin + 250, w.y(),
           QCoreApplication::translate("CheckReport", "Signature: ______________________"), 10);
    w.footers(QCoreApplication::translate("CheckReport", "Kelvora Amplifier Manager %1 - raw readings in %2")
                  .arg(appVersion(), check.csvPath().section(QLatin1Char('/'), -1)));

    if (!w.error().isEmpty()) {
        *error = w.error();
        return false;
    }
    if (HPDF_SaveToStream(w.doc()) != HPDF_OK) {
        *error = w.error().isEmpty()
                     ? QCoreApplication::translate("CheckReport", "The PDF could not be made.")
                     : w.error();
        return false;
    }
    QByteArray bytes(static_cast<qsizetype>(HPDF_GetStreamSize(w.doc())), '\0');
    HPDF_UINT32 size = static_cast<HPDF_UINT32>(bytes.size());
    HPDF_ReadFromStream(w.doc(), reinterpret_cast<HPDF_BYTE *>(bytes.data()), &size);
    bytes.truncate(size);
    // Written whole or not at all: a report cut short must not be taken for a finished one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error =
            QCoreApplication::translate("CheckReport", "Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace checkreport
