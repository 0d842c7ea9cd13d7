#include "net/proxy_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLineEdit>

#include <string>

#include "base/profile.h"
#include "net/proxy.h"
#include "ui/sheet_page.h"

namespace {

class proxy_page : public sheet_page {
public:
    proxy_page()
    {
        setObjectName("proxy");
        setWindowTitle("Proxy");
        auto* form = new QFormLayout(this);
        use = new QCheckBox("&Use a proxy server");
        use->setObjectName("401");
        address = new QLineEdit;
        address->setObjectName("402");
        address->setMaxLength(255);
        port = new QLineEdit;
        port->setObjectName("403");
        port->setValidator(new QIntValidator(0, 65535, port));
        form->addRow(use);
        form->addRow("&Address:", address);
        form->addRow("&Port:", port);

        std::string host = profile_string("proxy", "address");
        use->setChecked(!host.empty());
        address->setText(QString::fromStdString(host));
        if (!host.empty())
            port->setText(QString::number(profile_int("proxy", "port")));
        enable();
        connect(use, &QCheckBox::toggled, this, [this] { enable(); });
    }

    void apply() override
    {
        proxy_apply(use->isChecked(), address->text().toUtf8().constData(),
                    port->text().toUtf8().constData());
    }

private:
    void enable()
    {
        address->setEnabled(use->isChecked());
        port->setEnabled(use->isChecked());
    }

    QCheckBox* use;
    QLineEdit* address;
    QLineEdit* port;
};

}  // namespace

sheet_page* proxy_page_create()
{
    return new proxy_page;
}
