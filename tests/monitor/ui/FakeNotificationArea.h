#pragma once
// A notification area for the icon tests: it keeps the icons in the order
// they were added with their pictures and tips, counts the calls, refuses
// the identifiers it is told to, and can lose every icon as a restarted
// desktop shell does.

#include "monitor/ui/tray/DigitIcon.h"
#include "monitor/ui/tray/NotificationIcons.h"

#include <QImage>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace uitest {

class FakeNotificationArea {
public:
    struct Entry {
        int identifier = 0;
        QImage image;
        QString tip;
    };

    std::vector<Entry> docked;     // in the order added
    std::set<int> refused;         // identifiers whose adds fail
    std::map<int, int> modifies;   // successful modifies per identifier
    std::map<int, int> addAttempts;

    monitor::NotificationIconFactory factory()
    {
        return [this](int identifier) { return std::make_unique<Icon>(*this, identifier); };
    }

    const Entry* find(int identifier) const
    {
        const auto it = std::find_if(docked.begin(), docked.end(),
                                     [identifier](const Entry& e) { return e.identifier == identifier; });
        return it == docked.end() ? nullptr : &*it;
    }

    std::vector<int> order() const
    {
        std::vector<int> ids;
        for (const Entry& e : docked)
            ids.push_back(e.identifier);
        return ids;
    }

    // The shell restarted: every icon is gone.
    void lose() { docked.clear(); }

    // Sends a mouse event from the icon with this identifier.
    void click(int identifier, dialog::TrayEvent event) { m_icons.at(identifier)->send(event); }

private:
    class Icon : public dialog::TrayIcon {
    public:
        Icon(FakeNotificationArea& area, int identifier) : m_area(area), m_identifier(identifier)
        {
            m_area.m_icons[identifier] = this;
        }
        ~Icon() override { m_area.m_icons.erase(m_identifier); }

        bool add(const QIcon& image, const QString& tip) override
        {
            ++m_area.addAttempts[m_identifier];
            if (m_area.refused.count(m_identifier) || m_area.find(m_identifier))
                return false;
            m_area.docked.push_back({m_identifier, picture(image), tip});
            return true;
        }
        bool modify(const QIcon& image, const QString& tip) override
        {
            auto* entry = const_cast<Entry*>(m_area.find(m_identifier));
            if (!entry)
                return false;
            entry->image = picture(image);
            entry->tip = tip;
            ++m_area.modifies[m_identifier];
            return true;
        }
        bool remove() override
        {
            const size_t before = m_area.docked.size();
            std::erase_if(m_area.docked, [this](const Entry& e) { return e.identifier == m_identifier; });
            return m_area.docked.size() != before;
        }
        void send(dialog::TrayEvent event) { deliver(event); }

    private:
        static QImage picture(const QIcon& icon) { return icon.pixmap(monitor::smallIconSize()).toImage(); }

        FakeNotificationArea& m_area;
        int m_identifier;
    };

    std::map<int, Icon*> m_icons;
};

} // namespace uitest
