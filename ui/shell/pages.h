#pragma once
// Page ids and the page table (pages.def): screen name, parent page and how it opens.
#include <cstdint>

namespace page {
#define YUQ_PAGE(id, Class, pointer, parent, kind) constexpr uint8_t Class = id;
#include "pages.def"
#undef YUQ_PAGE
constexpr int Count = 27;
// Parent column: the parent depends on what is open (kit::parent_page resolves it).
constexpr uint8_t ByOpener = 0xFF;
} // namespace page

namespace kit {

enum class PageKind : uint8_t {
    Home,  // the home screen: created at start-up, never closed
    Shown, // shown without exec (standby, user modes)
    Modal, // run with exec() by its opener
};

struct PageRow
{
    uint8_t id;
    const char* name;
    uint8_t parent;
    PageKind kind;
    bool built; // false: a blank stand-in opens
};

constexpr PageRow kPages[page::Count] = {
#define YUQ_PAGE(id, Class, pointer, parent, kind) {id, #Class, page::parent, PageKind::kind, true},
#define YUQ_STANDIN(id, Class, pointer, parent, kind) {id, #Class, page::parent, PageKind::kind, false},
#include "pages.def"
#undef YUQ_PAGE
#undef YUQ_STANDIN
};

constexpr bool table_in_order()
{
    for (int i = 0; i < page::Count; ++i)
        if (kPages[i].id != i)
            return false;
    return true;
}
static_assert(table_in_order(), "pages.def: one row per page id, in id order");

// The page a screen's back action restores (ByOpener resolved by what is open).
uint8_t parent_page(uint8_t pageId);
// Run with exec() by its opener (every page but home, standby and user modes).
bool opens_modal(uint8_t pageId);

} // namespace kit
