#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>

#include "citizens.h"
#include "contacts.h"
#include "store.h"
#include "support/temp_dir.h"
#include "telegrams.h"

namespace {

struct open_store {
    temp_dir dir;
    us_store* store = us_store_open(dir.file("universe.db"));
    ~open_store() { us_store_close(store); }
    void reopen()
    {
        us_store_close(store);
        store = us_store_open(dir.file("universe.db"));
        ASSERT_NE(store, nullptr);
    }
};

uint32_t create(const us_store* store, const char* name, const char* password,
                const char* privilege_password = "")
{
    uint32_t number = 0;
    EXPECT_EQ(us_citizen_create(store, name, password, "someone@vireo.invalid", privilege_password,
                                &number),
              0);
    return number;
}

}  // namespace

TEST(citizens, numbers_count_up_and_names_are_unique_without_regard_to_case)
{
    open_store s;
    ASSERT_NE(s.store, nullptr);
    EXPECT_EQ(create(s.store, "Wren", "wren"), 1u);
    EXPECT_EQ(create(s.store, "Finch", "finch"), 2u);
    uint32_t number = 0;
    EXPECT_EQ(us_citizen_create(s.store, "WREN", "other", "x@y.example", "", &number), 1);

    s.reopen();
    us_citizen c;
    ASSERT_EQ(us_citizen_find_name(s.store, "wReN", &c), 1);
    EXPECT_EQ(c.number, 1u);
    EXPECT_EQ(c.name, "Wren");
    EXPECT_EQ(c.email, "someone@vireo.invalid");
    ASSERT_EQ(us_citizen_find_number(s.store, 2, &c), 1);
    EXPECT_EQ(c.name, "Finch");
    EXPECT_EQ(us_citizen_find_number(s.store, 3, &c), 0);
    EXPECT_EQ(us_citizen_find_name(s.store, "Robin", &c), 0);
}

TEST(citizens, passwords_are_kept_only_as_salted_hashes)
{
    open_store s;
    uint32_t wren = create(s.store, "Wren", "sesame12", "nest");
    uint32_t finch = create(s.store, "Finch", "sesame12");
    EXPECT_EQ(us_citizen_check_password(s.store, wren, "sesame12"), 1);
    EXPECT_EQ(us_citizen_check_password(s.store, wren, "Sesame12"), 0);
    EXPECT_EQ(us_citizen_check_password(s.store, wren, ""), 0);
    EXPECT_EQ(us_citizen_check_password(s.store, 99, "sesame12"), 0);
    EXPECT_EQ(us_citizen_check_privilege_password(s.store, wren, "nest"), 1);
    EXPECT_EQ(us_citizen_check_privilege_password(s.store, wren, "sesame12"), 0);
    // Without a privilege password nothing matches, not even the empty one.
    EXPECT_EQ(us_citizen_check_privilege_password(s.store, finch, ""), 0);
    // Only the owner may read the files.
    for (const char* name : {"universe.db", "universe.db-wal"}) {
        struct stat st {};
        ASSERT_EQ(stat(s.dir.file(name).c_str(), &st), 0) << name;
        EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
    }

    us_store_close(s.store);
    s.store = nullptr;
    std::ifstream in(s.dir.file("universe.db"), std::ios::binary);
    std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ifstream wal(s.dir.file("universe.db-wal"), std::ios::binary);
    file.append(std::istreambuf_iterator<char>(wal), std::istreambuf_iterator<char>());
    EXPECT_NE(file.find("Finch"), std::string::npos);
    EXPECT_EQ(file.find("sesame12"), std::string::npos);
    EXPECT_EQ(file.find("nest"), std::string::npos);
    // Two citizens with one password have different salts and hashes.
    size_t first = file.find("pbkdf2-sha256:");
    ASSERT_NE(first, std::string::npos);
    size_t second = file.find("pbkdf2-sha256:", first + 1);
    ASSERT_NE(second, std::string::npos);
    EXPECT_NE(file.substr(first, 60), file.substr(second, 60));
}

TEST(citizens, updates_change_everything_or_nothing)
{
    open_store s;
    uint32_t wren = create(s.store, "Wren", "wren");
    create(s.store, "Finch", "finch");

    us_citizen_change taken;
    taken.name = "finch";
    taken.password = "changed";
    EXPECT_EQ(us_citizen_update(s.store, wren, taken), 1);
    EXPECT_EQ(us_citizen_check_password(s.store, wren, "wren"), 1);

    us_citizen_change change;
    change.name = "WREN";  // its own name in other letters
    change.password = "robin";
    change.email = "new@vireo.invalid";
    change.privilege_password = "perch";
    EXPECT_EQ(us_citizen_update(s.store, wren, change), 0);
    us_citizen c;
    ASSERT_EQ(us_citizen_find_number(s.store, wren, &c), 1);
    EXPECT_EQ(c.name, "WREN");
    EXPECT_EQ(c.email, "new@vireo.invalid");
    EXPECT_EQ(us_citizen_check_password(s.store, wren, "robin"), 1);
    EXPECT_EQ(us_citizen_check_privilege_password(s.store, wren, "perch"), 1);

    us_citizen_change email_only;
    email_only.email = "last@vireo.invalid";
    EXPECT_EQ(us_citizen_update(s.store, wren, email_only), 0);
    EXPECT_EQ(us_citizen_check_password(s.store, wren, "robin"), 1);
}

TEST(telegrams, wait_in_order_and_leave_when_taken)
{
    open_store s;
    EXPECT_EQ(us_telegram_store(s.store, 2, 1000, "Wren", "first"), 0);
    EXPECT_EQ(us_telegram_store(s.store, 3, 1001, "Wren", "for someone else"), 0);
    EXPECT_EQ(us_telegram_store(s.store, 2, 999, "Robin", std::string("bin\0ary", 7)), 0);
    EXPECT_EQ(us_telegram_waiting(s.store, 2), 2);
    s.reopen();

    us_telegram t;
    int more = -1;
    ASSERT_EQ(us_telegram_take(s.store, 2, &t, &more), 1);
    EXPECT_EQ(t.sender, "Wren");
    EXPECT_EQ(t.message, "first");
    EXPECT_EQ(t.sent, 1000);
    EXPECT_EQ(more, 1);
    ASSERT_EQ(us_telegram_take(s.store, 2, &t, &more), 1);
    EXPECT_EQ(t.sender, "Robin");
    EXPECT_EQ(t.message, std::string("bin\0ary", 7));
    EXPECT_EQ(more, 0);
    EXPECT_EQ(us_telegram_take(s.store, 2, &t, &more), 0);
    EXPECT_EQ(us_telegram_waiting(s.store, 3), 1);
}

TEST(telegrams, a_full_mailbox_refuses_more)
{
    open_store s;
    for (int i = 0; i < us_telegram_limit; ++i)
        ASSERT_EQ(us_telegram_store(s.store, 2, i, "Wren", "x"), 0);
    EXPECT_EQ(us_telegram_store(s.store, 2, 0, "Wren", "one too many"), 1);
    EXPECT_EQ(us_telegram_store(s.store, 3, 0, "Wren", "another mailbox"), 0);
}

TEST(contacts, lists_are_replaced_extended_and_watched)
{
    open_store s;
    us_contacts_set(s.store, 1, {5, 2, 5, 9});
    EXPECT_EQ(us_contacts_of(s.store, 1), (std::vector<uint32_t>{2, 5, 9}));
    us_contacts_set(s.store, 3, {2});
    EXPECT_EQ(us_contacts_watchers(s.store, 2), (std::vector<uint32_t>{1, 3}));

    us_contacts_set(s.store, 1, {7});
    EXPECT_EQ(us_contacts_of(s.store, 1), (std::vector<uint32_t>{7}));
    EXPECT_EQ(us_contacts_watchers(s.store, 2), (std::vector<uint32_t>{3}));

    EXPECT_EQ(us_contacts_add(s.store, 1, 8), 0);
    EXPECT_EQ(us_contacts_add(s.store, 1, 8), 0);
    us_contacts_delete(s.store, 1, 7);
    EXPECT_EQ(us_contacts_of(s.store, 1), (std::vector<uint32_t>{8}));

    std::vector<uint32_t> many;
    for (uint32_t i = 100; i < 170; ++i)
        many.push_back(i);
    us_contacts_set(s.store, 4, many);
    EXPECT_EQ(us_contacts_of(s.store, 4).size(), size_t(us_contact_limit));
    EXPECT_EQ(us_contacts_add(s.store, 4, 5), 1);
    EXPECT_EQ(us_contacts_add(s.store, 4, 100), 0);
}
