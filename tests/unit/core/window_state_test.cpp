#include "core/window_state.h"

#include "core/zkw_ini.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// The card lists' places: the defaults, a missing width as 64, the sent
// list's switches after its widths, the received list's in Koujun.
TEST(CardListPlaces, DefaultsMissingWidthsAndSwitches) {
    Sandbox box;
    TZkwIni settings(box.path(u"Sendvik.ini"_s));
    WindowState places(settings);
    WindowState::ListPlace r = places.receivedListPlace();
    EXPECT_EQ(r.geometry, QRect(9, 9, 746, 600));
    EXPECT_EQ(r.columnWidths, (std::vector<int>{54, 390, 144, 64, 64, 64, 64, 64, 64}));
    EXPECT_EQ(r.flags, 1);  // by QSO date
    WindowState::ListPlace s = places.sentListPlace();
    EXPECT_EQ(s.columnWidths, (std::vector<int>{36, 366, 144, 64}));
    EXPECT_EQ(s.flags, 0);

    s.geometry = QRect(20, 30, 640, 480);
    s.columnWidths = {40, 300, 120, 70};
    s.flags = 2 | 8;
    places.setSentListPlace(s);
    EXPECT_EQ(settings.readString(u"Config", u"SentWin", QString()),
              u"20,30,640,480,40,300,120,70,10"_s);
    EXPECT_EQ(places.sentListPlace().flags, 10);
    r.flags = 4 | 8;
    places.setReceivedListPlace(r, false);  // a reset of the places is due
    EXPECT_EQ(settings.readString(u"Config", u"ShWin", QString()), QString());
    EXPECT_EQ(places.receivedListPlace().flags, 12);
}

}  // namespace
