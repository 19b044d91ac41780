#include "wingui/ManagerApp.h"

int main() {
    return vemora::CManagerApp().Run();
}
