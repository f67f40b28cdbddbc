/**
	Unit tests of the player's classes that need no display: spread arithmetic,
	fold geometry, the turn's motion, zoom and pan, the keys, and reading the
	page list, the frame rate. Run by the interpreter:

	    haxe -cp player/src -cp tests/player -main PlayerTests --interp

	The exit status is non-zero when a case fails.
**/
class PlayerTests {
	static function main() {
		var c = new Check();
		SpreadsTests.run(c);
		FoldTests.run(c);
		TurnTests.run(c);
		ViewTests.run(c);
		KeyMapTests.run(c);
		BookConfigTests.run(c);
		PaceTests.run(c);
		PageCommandTests.run(c);
		OutlineTests.run(c);
		LinksTests.run(c);
		ThumbnailsTests.run(c);
		DoubleTapTests.run(c);
		BarLayoutTests.run(c);
		HighlightsTests.run(c);
		ConvexTests.run(c);
		BmpDecoderTests.run(c);
		Sys.println('${c.passed} passed, ${c.failed} failed');
		Sys.exit(c.failed == 0 ? 0 : 1);
	}
}
