# Writes rtfwriter-sample.rtf with RTF::Writer (Debian librtf-writer-perl).
use strict;
use warnings;
use utf8;
use RTF::Writer;
my $rtf = RTF::Writer->new_to_file("rtfwriter-sample.rtf");
$rtf->prolog('title' => "Sample");
$rtf->paragraph("Caf\x{e9} na\x{ef}ve fa\x{e7}ade, \x{a3}5 or 7\x{b0}C.");
$rtf->paragraph(\'\b', "Bold \x{d8}resund", \'\b0', " and ", "\x{2018}quoted\x{2019}", " text.");
my $decl = RTF::Writer::TableRowDecl->new('widths' => [2000, 2000]);
$rtf->row($decl, "K\x{f6}ln", "M\x{fc}nchen");
$rtf->row($decl, "Z\x{fc}rich", "\x{201c}Gen\x{e8}ve\x{201d}");
$rtf->paragraph("Euro \x{20ac} and Greek \x{3a9}\x{3bc}\x{3ad}\x{3b3}\x{3b1}.");
$rtf->close;
