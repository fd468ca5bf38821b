#include "app/startup.h"

int main(int argc, char** argv)
{
    return zentari::runZentari(argc, argv);
}
