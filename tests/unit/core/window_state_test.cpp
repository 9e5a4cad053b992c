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
    EXPECT_EQ(r.order, 1);  // by QSO date
    EXPECT_FALSE(r.descending || r.third);
    WindowState::ListPlace s = places.sentListPlace();
    EXPECT_EQ(s.columnWidths, (std::vector<int>{36, 366, 144, 64}));
    EXPECT_EQ(s.order, 0);

    s.geometry = QRect(20, 30, 640, 480);
    s.columnWidths = {40, 300, 120, 70};
    s.order = 2;
    s.third = true;
    places.setSentListPlace(s);
    EXPECT_EQ(settings.readString(u"Config", u"SentWin", QString()),
              u"20,30,640,480,40,300,120,70,10"_s);
    EXPECT_EQ(places.sentListPlace().switchWord(), 10);
    r.order = 0;
    r.descending = true;
    r.third = true;
    places.setReceivedListPlace(r, false);  // a reset of the places is due
    EXPECT_EQ(settings.readString(u"Config", u"ShWin", QString()), QString());
    EXPECT_EQ(places.receivedListPlace().switchWord(), 12);
}

// An order word beyond the three orders reads as each list's default, the
// other switches as stored.
TEST(CardListPlaces, AnOrderBeyondTheThreeReadsAsTheListsDefault) {
    Sandbox box;
    TZkwIni settings(box.path(u"Sendvik.ini"_s));
    settings.writeString(u"Config", u"SentWin", u"9,9,700,600,36,366,144,64,15"_s);
    settings.writeInteger(u"Config", u"Koujun", 7);
    WindowState places(settings);
    const WindowState::ListPlace s = places.sentListPlace();
    EXPECT_EQ(s.order, 0);
    EXPECT_TRUE(s.descending && s.third);
    const WindowState::ListPlace r = places.receivedListPlace();
    EXPECT_EQ(r.order, 1);
    EXPECT_TRUE(r.descending);
    EXPECT_FALSE(r.third);
}

}  // namespace
