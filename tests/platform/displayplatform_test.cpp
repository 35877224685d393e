#include "platform/displayplatform.h"

#include <gtest/gtest.h>

using platform::chosenQpaPlatform;

TEST(DisplayPlatform, WaylandSessionRunsThroughXWaylandWhenThereIsOne)
{
    EXPECT_EQ(chosenQpaPlatform("", "wayland-0", ":0"), QByteArray("xcb"));
    // Without XWayland the program stays a native Wayland client.
    EXPECT_EQ(chosenQpaPlatform("", "wayland-0", ""), QByteArray());
    EXPECT_EQ(chosenQpaPlatform("", "wayland-0", "  "), QByteArray());
}

TEST(DisplayPlatform, TheUsersChoiceAndPlainX11AreLeftAlone)
{
    EXPECT_EQ(chosenQpaPlatform("wayland", "wayland-0", ":0"), QByteArray());
    EXPECT_EQ(chosenQpaPlatform("offscreen", "wayland-0", ":0"), QByteArray());
    EXPECT_EQ(chosenQpaPlatform("", "", ":0"), QByteArray());
    EXPECT_EQ(chosenQpaPlatform("", "", ""), QByteArray());
}
