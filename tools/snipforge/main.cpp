// The desktop program: one cutter window until it is closed.
//
//   snipforge            starts the program, or brings the running one forward
//   snipforge ANYTHING   the same, but skips the first-run web page; arguments
//                        never open files (use the File menu or drop a file)

#include "app/win/App.h"

int main(int argc, char** argv) {
    s::app::win::App app;
    return app.run(argc, argv);
}
