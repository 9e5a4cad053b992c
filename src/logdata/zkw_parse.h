#pragma once
// The log library's band check and the band names of a frequency.

#include <QString>
#include <QStringView>

#include <utility>

// Band indexes of FreqPCheck.
namespace band {
inline constexpr int First = 0;       // 1.9 MHz
inline constexpr int Last = 14;       // 5600 MHz
inline constexpr int CrossBand = 15;  // a text with "/": cross band or satellite
inline constexpr int None = 16;       // not a band
inline constexpr int TenGigaUp = 17;  // 10 GHz and above
}  // namespace band

// The band index of a frequency as hams type it in the log. The number is in
// MHz ("7", "7.041", "7,041" with a decimal comma, "430.5"); a unit may follow
// ("7041kHz", "7041k", "7.041MHz", "10.4GHz", "10G"). A text holding "/" is a
// cross-band pair (15); anything that is no amateur band is 16.
int FreqPCheck(QStringView frequency);

// Band names of a QSO frequency: ("40m", "") for one band, ("2m", "70cm") for
// a cross-band pair, empty texts when it is no band.
std::pair<QString, QString> BandTexts(QStringView frequency);
