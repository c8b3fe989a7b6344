// Scrivelle's entry point.
#include "app/Application.h"

int main(int argc, char **argv)
{
    return scrivelleMain(argc, argv);
}
