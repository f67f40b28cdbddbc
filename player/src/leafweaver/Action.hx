package leafweaver;

/** What the reader asks the player to do, whether by key, panel button or click. */
enum Action {
	First;
	Previous;
	Next;
	Last;
	ZoomIn;
	ZoomOut;
	FullScreen;
	/** Show or hide the outline. */
	Contents;
	/** Show or hide the thumbnails of the pages. */
	Overview;
	/** Open the book at the page with this 1-based number. */
	GoTo(number:Int);
}
