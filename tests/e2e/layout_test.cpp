#include <gtest/gtest.h>

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include <string>

#include "support/vireo_home.h"

namespace {

QJsonObject views(const vireo_home& home, const std::string& name)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(home.read(name)))
        .object()["views"]
        .toObject();
}

int get(const QJsonObject& views, const char* view, const char* what)
{
    return views[view].toObject()[what].toInt();
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

// Fresh settings at 1024 x 768 (set after the first frame, once start-up
// has finished and the size is saved); then the tab splitter is dragged
// past its limit, the web pane closed and the toolbar hidden, each running
// the layout again.
TEST(window_layout, fresh_settings_splitter_drag_web_pane_and_toolbar)
{
    vireo_home home;
    process_result r = home.run(
        "dialog About Vireo\nuntil text appears to be closed\nbutton Skip\n"
        "wait 1\nresize 1024 768\nwait 10\nstate fresh.json\n"
        "drag 165 400 5 400\nwait 10\nstate dragged.json\n"
        "menu 130\nwait 10\nstate closed.json\nscreenshot view.png\n"
        "menu 129\nwait 10\nstate bare.json\n"
        "quit 0\n");
    ASSERT_FALSE(r.timed_out) << r.output;
    ASSERT_EQ(r.exit_code, 0) << r.output;

    QJsonObject fresh = views(home, "fresh.json");
    int top = get(fresh, "toolbar", "height") + 1;
    EXPECT_EQ(get(fresh, "tab", "x"), 0);
    EXPECT_EQ(get(fresh, "tab", "width"), 164);
    EXPECT_EQ(get(fresh, "viewport", "x"), 166);
    EXPECT_EQ(get(fresh, "viewport", "width"), 475 - 165 - 1);
    EXPECT_EQ(get(fresh, "viewport", "height"), 300 - top - 1);
    EXPECT_EQ(get(fresh, "web", "x"), 476);
    EXPECT_EQ(get(fresh, "web", "width"), 1024 - 476);
    EXPECT_EQ(get(fresh, "console", "x"), 166);
    EXPECT_EQ(get(fresh, "chat", "width"), 475 - 165 - 1);
    // The console starts below the splitter; the chat line stands under it.
    EXPECT_EQ(get(fresh, "console", "y"), get(fresh, "viewport", "y") + 300 - top + 1);
    EXPECT_GT(get(fresh, "chat", "y"),
              get(fresh, "console", "y") + get(fresh, "console", "height"));

    QJsonObject dragged = views(home, "dragged.json");
    EXPECT_EQ(get(dragged, "tab", "width"), 19);
    EXPECT_EQ(get(dragged, "viewport", "x"), 21);

    QJsonObject closed = views(home, "closed.json");
    EXPECT_FALSE(closed["web"].toObject()["visible"].toBool());
    EXPECT_EQ(get(closed, "viewport", "width"), 1024 - 20 - 1);
    // The camera takes the view's size, even, less its border.
    QImage view(QString::fromStdString(home.file("view.png")));
    EXPECT_EQ(view.width(), (1024 - 20 - 1) / 2 * 2 - 4);

    QJsonObject bare = views(home, "bare.json");
    EXPECT_FALSE(bare["toolbar"].toObject()["visible"].toBool());
    EXPECT_EQ(get(bare, "viewport", "height"), 300 - 1);

    std::string ini = home.read("vireo.ini");
    EXPECT_TRUE(contains(ini, "tabx=20\n")) << ini;
    EXPECT_TRUE(contains(ini, "web=0\n")) << ini;
    EXPECT_TRUE(contains(ini, "toolbar=0\n")) << ini;
    EXPECT_TRUE(contains(ini, "main_width=1024\n")) << ini;
}
