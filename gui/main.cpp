#include "gui/ManagerApp.h"
#include "serial/StandardStreams.h"

int main(int argc, char** argv) {
    vemora::GuardStandardStreams();
    vemora::CManagerApp app(argc, argv);
    return app.Run();
}
