#pragma once
// Languages of resources, as Windows numbers them (LANGID: the primary language in the
// low 10 bits, the sublanguage above; 1033 is English, United States).

#include <QList>
#include <QLocale>

namespace ResourceLanguage {

constexpr quint16 kEnglishUs = 1033;

// The Windows language of a locale: its primary language and, where Windows tells its
// variants apart by country or script (Chinese, Portuguese, English, Serbian), the one
// of that country; 1033 for a language Windows has no number for.
quint16 fromLocale(const QLocale& locale);
// The user's language: that of the system locale.
quint16 user();

// The language to take among those a resource exists in (none empty), for a user of the
// language preferred: that one, else the same language of another country (its neutral
// form first), else English (United States), else the first.
quint16 pick(const QList<quint16>& available, quint16 preferred);

} // namespace ResourceLanguage
