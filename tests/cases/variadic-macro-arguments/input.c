#define LOG(fmt, ...) printf(fmt, __VA_ARGS__)
#define TRACE(fmt, args...) printf(fmt, ##args)
#define KLOG(fmt, ...) klog(fmt, ## __VA_ARGS__)
int g(void) { return 1; }
int h(void) { return 2; }
int main(void)
{
	LOG("%d\n", g());
	TRACE("%d\n", h());
	LOG("%d %d\n", a(), b(c()));
	TRACE("none");
	KLOG("none");
	KLOG("two", k1(), k2());
	return 0;
}
