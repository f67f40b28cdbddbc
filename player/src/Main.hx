import flash.display.Bitmap;
import flash.display.Loader;
import flash.display.Sprite;
import flash.display.StageAlign;
import flash.display.StageDisplayState;
import flash.display.StageScaleMode;
import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.events.KeyboardEvent;
import flash.events.SecurityErrorEvent;
import flash.external.ExternalInterface;
import flash.net.URLLoader;
import flash.net.URLRequest;
import flash.system.LoaderContext;
import flash.text.TextField;
import flash.text.TextFormat;
import leafweaver.Action;
import leafweaver.Book;
import leafweaver.BookConfig;
import leafweaver.KeyMap;
import leafweaver.PageSlot;
import leafweaver.Panel;
import leafweaver.PointerInput;

/**
	The book player. It reads the page list "source/Pages.xml" beside the
	movie, shows the background and the book, and lets the reader turn the
	pages with the mouse, the keyboard and the control panel: all three come
	here as actions.
**/
class Main extends Sprite {
	static inline var MARGIN = 12;

	var baseUrl:String;
	var config:BookConfig;
	var background:Sprite;
	var bgImage:Loader;
	var book:Book;
	var panel:Panel;
	var message:TextField;
	var started:Float;

	static function main() {
		var m = new Main();
		flash.Lib.current.addChild(m);
	}

	public function new() {
		super();
		started = flash.Lib.getTimer();
		var stage = flash.Lib.current.stage;
		stage.scaleMode = StageScaleMode.NO_SCALE;
		stage.align = StageAlign.TOP_LEFT;
		baseUrl = folderOf(flash.Lib.current.loaderInfo.url);
		background = new Sprite();
		addChild(background);
		setUpHook();
		var ul = new URLLoader();
		ul.addEventListener(Event.COMPLETE, function(_) {
			var c = BookConfig.parse(Std.string(ul.data));
			if (c == null)
				showMessage("The page list of this book cannot be read.");
			else
				start(c);
		});
		var failed = function(_:Event) showMessage("The page list of this book is missing.");
		ul.addEventListener(IOErrorEvent.IO_ERROR, failed);
		ul.addEventListener(SecurityErrorEvent.SECURITY_ERROR, failed);
		ul.load(new URLRequest(baseUrl + "source/Pages.xml?t=" + Date.now().getTime()));
		stage.addEventListener(Event.RESIZE, function(_) layout());
		drawBackground();
	}

	function start(c:BookConfig) {
		config = c;
		var stage = flash.Lib.current.stage;
		if (c.bgColor < 0) {
			bgImage = new Loader();
			bgImage.contentLoaderInfo.addEventListener(Event.INIT, function(_) {
				try {
					var b:Bitmap = cast bgImage.content;
					b.smoothing = true;
				} catch (e:Dynamic) {}
				background.addChild(bgImage);
				layout();
			});
			bgImage.contentLoaderInfo.addEventListener(IOErrorEvent.IO_ERROR, function(_) {});
			bgImage.contentLoaderInfo.addEventListener(SecurityErrorEvent.SECURITY_ERROR, function(_) {});
			bgImage.load(new URLRequest(baseUrl + "source/bg.jpg"), new LoaderContext(false));
		}
		book = new Book(c, baseUrl);
		addChild(book);
		panel = new Panel(c.panelColor, c.buttonColor, c.textColor);
		addChild(panel);
		panel.onAction = perform;
		new PointerInput(book, perform);
		book.onChange = updatePanel;
		book.onTurned = function(p) event("turned", Std.string(p + 1));
		book.onPageSettled = function(s:PageSlot) {
			event(s.state == Loaded ? "page-loaded" : "page-failed", Std.string(s.index + 1));
			if (!firstShown && book.visibleSettled()) {
				firstShown = true;
				event("first-page", Std.string(flash.Lib.getTimer() - started));
			}
		};
		stage.addEventListener(KeyboardEvent.KEY_DOWN, keyDown);
		layout();
		if (c.pages.length == 0)
			showMessage("This book has no pages yet.");
		event("ready", Std.string(c.pages.length));
	}

	var firstShown = false;

	function keyDown(e:KeyboardEvent) {
		// Keys typed into the page box are the box's.
		if (flash.Lib.current.stage.focus == panel.numberField)
			return;
		var a = KeyMap.actionOf(e.keyCode);
		if (a != null)
			perform(a);
	}

	function perform(a:Action) {
		switch (a) {
			case FullScreen:
				var stage = flash.Lib.current.stage;
				try {
					stage.displayState = stage.displayState == StageDisplayState.NORMAL ? StageDisplayState.FULL_SCREEN : StageDisplayState.NORMAL;
				} catch (e:Dynamic) {}
			default:
				book.perform(a);
		}
	}

	function updatePanel() {
		if (panel != null)
			panel.update(book.pageLabel(), book.pageCount, book.can);
	}

	function layout() {
		var stage = flash.Lib.current.stage;
		var w = stage.stageWidth, h = stage.stageHeight;
		drawBackground();
		if (book != null) {
			var bh = h - Panel.HEIGHT - 2 * MARGIN;
			book.setViewport(MARGIN, MARGIN, w - 2 * MARGIN, bh, h > w);
			panel.layout(w, h);
			updatePanel();
		}
		if (message != null) {
			message.width = Math.max(50, w - 40);
			message.x = 20;
			message.y = Math.max(10, h / 2 - 40);
		}
	}

	function drawBackground() {
		var stage = flash.Lib.current.stage;
		var w = stage.stageWidth, h = stage.stageHeight;
		var g = background.graphics;
		g.clear();
		g.beginFill(config != null && config.bgColor >= 0 ? config.bgColor : 0x5A6470);
		g.drawRect(0, 0, w, h);
		g.endFill();
		if (bgImage != null && bgImage.parent != null) {
			// Cover the stage, keeping the picture's proportions.
			var iw = bgImage.contentLoaderInfo.width, ih = bgImage.contentLoaderInfo.height;
			if (iw > 0 && ih > 0) {
				var s = Math.max(w / iw, h / ih);
				bgImage.scaleX = bgImage.scaleY = s;
				bgImage.x = (w - iw * s) / 2;
				bgImage.y = (h - ih * s) / 2;
			}
		}
	}

	function showMessage(text:String) {
		if (message == null) {
			message = new TextField();
			var f = new flash.text.TextFormat("_sans", 18, 0xFFFFFF);
			f.align = flash.text.TextFormatAlign.CENTER;
			message.defaultTextFormat = f;
			message.selectable = false;
			message.wordWrap = true;
			message.height = 80;
			addChild(message);
		}
		message.text = text;
		layout();
		event("message", text);
	}

	// ---- page hook: lets the embedding page follow the player ----

	function setUpHook() {
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.addCallback("leafweaverState", stateJson);
		} catch (e:Dynamic) {}
	}

	function stateJson():String {
		if (book == null)
			return haxe.Json.stringify({ready: false});
		return haxe.Json.stringify({
			ready: true,
			pageCount: book.pageCount,
			visible: [for (p in book.visiblePages()) p + 1],
			states: [for (p in book.visiblePages()) book.stateOf(p)],
			loaded: [for (p in book.loadedPages()) p + 1],
			live: book.livePages(),
			single: book.single,
			turning: book.turning,
			zoom: book.zoomLevel,
			settled: book.visibleSettled()
		});
	}

	function event(name:String, detail:String) {
		if (!ExternalInterface.available)
			return;
		try {
			ExternalInterface.call("leafweaverPlayerEvent", name, detail);
		} catch (e:Dynamic) {}
	}

	static function folderOf(url:String):String {
		if (url == null)
			return "";
		var q = url.indexOf("?");
		if (q >= 0)
			url = url.substr(0, q);
		var hash = url.indexOf("#");
		if (hash >= 0)
			url = url.substr(0, hash);
		var slash = url.lastIndexOf("/");
		return slash >= 0 ? url.substr(0, slash + 1) : "";
	}
}
