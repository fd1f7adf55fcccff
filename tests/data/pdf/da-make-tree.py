import sys
def build(objs, trailer_extra=""):
    out = b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n"
    offs = {}
    for n, body in objs:
        offs[n] = len(out)
        out += b"%d 0 obj\n" % n + body.encode() + b"\nendobj\n"
    x = len(out)
    size = max(offs) + 1
    out += b"xref\n0 %d\n0000000000 65535 f \n" % size
    for n in range(1, size):
        out += b"%010d 00000 n \n" % offs[n]
    out += ("trailer\n<< /Size %d /Root 1 0 R /Info 8 0 R %s>>\nstartxref\n%d\n%%%%EOF\n" % (size, trailer_extra, x)).encode()
    return out
objs = [
 (1, "<< /Type /Catalog /Pages 2 0 R >>"),
 (2, "<< /Type /Pages /Kids [3 0 R 7 0 R] /Count 4 /MediaBox [0 0 612 792] >>"),
 (3, "<< /Type /Pages /Parent 2 0 R /Kids [4 0 R 5 0 R 6 0 R] /Count 3 >>"),
 (4, "<< /Type /Page /Parent 3 0 R /MediaBox [0 0 595 842] >>"),
 (5, "<< /Type /Page /Parent 3 0 R >>"),
 (6, "<< /Type /Page /Parent 3 0 R /MediaBox [0 0 612 792] /Rotate 90 >>"),
 (7, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 420 595] >>"),
 (8, "<< /Title (Direct access tree) /Producer (hand-written) >>"),
]
open(sys.argv[1], "wb").write(build(objs))
