#include "gui/ManagerApp.h"

int main(int argc, char** argv) {
    vemora::CManagerApp app(argc, argv);
    return app.Run();
}
