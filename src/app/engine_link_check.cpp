// Linked with every object of the engine and QtCore alone: it exists so the
// build fails when the engine starts to depend on QtGui or QtWidgets.
int main()
{
    return 0;
}
