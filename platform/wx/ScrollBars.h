// Scroll bars of a window that scrolls by whole cells and asks for its own
// page step (the detail window): both bars always shown, and a click in a
// track pages by that step instead of moving the thumb to the pointer.
#pragma once

class wxWindow;

// Call after each SetScrollbar on `w`, which resets the page step. A track
// click then moves the bar by `page` positions, which wx reports as a page
// event.
void UsePagingScrollBars(wxWindow* w, int page);
