// Run once before the Windows tests of a build: when it cannot start and end with
// 0, this machine cannot run programs of the build's bitness at all.
int main(void)
{
    return 0;
}
