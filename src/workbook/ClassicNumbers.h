#pragma once

#include <clocale>
#include <locale.h>

// While it lives, this thread formats numbers the C way ("40.5"), whatever the program's
// locale. libxlsxwriter prints cell values and column widths with printf, and a locale with a
// decimal comma would otherwise write "40,5" into the workbook's XML.
class ClassicNumbers {
public:
    ClassicNumbers() : classic_(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr))) {
        if (classic_ != static_cast<locale_t>(nullptr))
            previous_ = uselocale(classic_);
    }
    ~ClassicNumbers() {
        if (classic_ == static_cast<locale_t>(nullptr))
            return;
        uselocale(previous_);
        freelocale(classic_);
    }
    ClassicNumbers(const ClassicNumbers&) = delete;
    ClassicNumbers& operator=(const ClassicNumbers&) = delete;

private:
    locale_t classic_;
    locale_t previous_ = static_cast<locale_t>(nullptr);
};
