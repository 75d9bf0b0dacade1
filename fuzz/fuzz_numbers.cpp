// Number reading and every number form, on arbitrary text and on arbitrary doubles: the
// only failure allowed is a run-time failure, no text shows nan or inf, and the forms with
// enough digits read back as the number they show.
#include <cmath>
#include <string>

#include "FuzzInput.h"
#include "format/NumberForms.h"
#include "base/RuntimeFailure.h"

using namespace kinetra;

namespace {

// The value must read back from its text within the relative precision of the form.
void expectReadsBack(const std::string& text, double value, double relative, char sep)
{
    bool overflow = false;
    const auto back = parseDecimal(text, sep, &overflow);
    if (!back) fuzz::fail("form does not read back", text);
    if (std::fabs(*back - value) > relative * std::fabs(value)) fuzz::fail("form reads back far off", text);
}

void checkForms(double v, char sep, int decimals)
{
    try {
        const std::string forms[] = {formatScientific(v, decimals, sep), formatE3(v, sep), formatE7(v, sep),
                                     formatFixed2(v, sep), formatReportNumber(v, sep), formatGeneralNumber(v, sep)};
        for (const std::string& f : forms) {
            if (fuzz::showsNonNumber(f)) fuzz::fail("nan or inf shown", f);
        }
        // magnitudes whose rounded forms stay inside the doubles
        const double a = std::fabs(v);
        if (a != 0.0 && (a < 1e-300 || a > 1e300)) return;
        expectReadsBack(forms[1], v, 5.1e-4, sep);
        expectReadsBack(forms[2], v, 5.1e-8, sep);
        expectReadsBack(forms[5], v, 1e-14, sep);
        if (leadingNumber(forms[5], sep) != *parseDecimal(forms[5], sep)) fuzz::fail("leadingNumber differs", forms[5]);
    } catch (const RuntimeFailure&) {
        if (std::isfinite(v)) fuzz::fail("a finite number failed to format");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const char sep = in.flag() ? ',' : '.';
    const int decimals = in.below(16);
    const double raw = in.rawDouble();
    formatPointNumber(static_cast<int>(in.u16()) - 32768);
    checkForms(raw, sep, decimals);

    const std::string_view text = in.rest();
    bool overflow = false;
    try {
        const auto parsed = parseDecimal(text, sep, &overflow);
        if (parsed) {
            if (!std::isfinite(*parsed)) fuzz::fail("parsed a non-finite number");
            checkForms(*parsed, sep, decimals);
        }
        const double leading = leadingNumber(text, sep);
        if (!std::isfinite(leading)) fuzz::fail("leading number not finite");
        checkForms(leading, sep, decimals);
    } catch (const RuntimeFailure&) {
    }
    return 0;
}
