#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QString>

TEST(icons, every_icon_of_the_resource_draws_at_toolbar_size)
{
    for (const char* name : {"back", "forward", "look_up", "look_level", "look_down", "first_person",
                             "third_person", "mouse_mode", "web_back", "web_forward", "web_stop",
                             "web_refresh", "worlds", "contacts", "telegrams", "help", "vireo"}) {
        QIcon icon(QString(":/icons/%1.svg").arg(name));
        ASSERT_FALSE(icon.isNull()) << name;
        QImage image = icon.pixmap(16, 16).toImage();
        ASSERT_EQ(image.size(), QSize(16, 16)) << name;
        int painted = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                painted += qAlpha(image.pixel(x, y)) != 0;
        EXPECT_GT(painted, 16) << name;
    }
}
