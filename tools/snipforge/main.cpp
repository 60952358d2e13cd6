// The desktop program: one cutter window until it is closed.
//
//   snipforge              starts the program, or brings the running one forward
//   snipforge FILE...      the same, and opens the first file as a drop would
//                          (a running program is handed the files instead)

#include "app/win/App.h"
#include "foundation/base/Memory.h"

int main(int argc, char** argv) {
    s::base::keepLargeBlocksInHeap();
    s::app::win::App app;
    return app.run(argc, argv);
}
