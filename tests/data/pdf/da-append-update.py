import re, sys
src = open(sys.argv[1], "rb").read()
prev = int(re.findall(rb"startxref\s+(\d+)", src)[-1])
size = int(re.search(rb"/Size (\d+)", src).group(1))
root = re.search(rb"/Root (\d+ \d+ R)", src).group(1).decode()
out = src
off = len(out)
out += sys.argv[3].encode()
x = len(out)
out += b"xref\n0 1\n0000000000 65535 f \n6 1\n%010d 00000 n \n" % off
out += ("trailer\n<< /Size %d /Root %s /Prev %d >>\nstartxref\n%d\n%%%%EOF\n" % (size, root, prev, x)).encode()
open(sys.argv[2], "wb").write(out)
