#pragma once
// Checks over a laid-out component tree and window pictures, shared by the
// window tests.

#include <string>
#include <vector>

namespace s::gui {
class IComponent;
class IWindow;
} // namespace s::gui

namespace s::test {

/// Whether `c` and every parent up to the root are visible.
bool isShowing(const gui::IComponent* c);

/// Every pair of sibling components, anywhere under `root`, that both show,
/// both have a non-zero size and whose rectangles intersect; one line per
/// pair naming both classes and rectangles. Empty when nothing overlaps.
std::vector<std::string> siblingOverlaps(const gui::IComponent* root);

/// Every showing component with a non-zero size, anywhere under `root`,
/// that reaches outside its parent's inner area (where it would cover its
/// parent's neighbours); one line each. Empty when everything fits.
std::vector<std::string> childrenOutsideParents(const gui::IComponent* root);

/// The component's offset in its window's client area (positions and
/// origins summed up the tree).
void windowOffset(const gui::IComponent* c, int* x, int* y);

/// Draws the window's client area as it is now into a PNG file (made on the
/// user-interface thread); false when the window is not realized or the file
/// could not be written. Not on the user-interface thread.
bool saveWindowPng(gui::IWindow* window, const std::string& path);

/// Lets the user-interface thread handle what is pending (allocation, layout,
/// drawing) for about `rounds` short rounds. Not on that thread.
void settleUi(int rounds = 10);

} // namespace s::test
